// The one thread design of reading ahead and writing behind, with jobs that fail: whatever
// a job throws reaches the caller's thread after the blocks done before it, and nothing is
// done after it.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "platform/core/BlockPipeline.h"
#include "platform/core/File.h"
#include "tests/support/NamedCase.h"

namespace {

using corvane_test::operator<<;

using Block = BlockPipeline::Block;

constexpr int kBlocks = 6;

struct PipelineCase {
  const char* name;
  bool reading;   // blocks filled by the job (else the caller's, written by the job)
  int failAt;     // the job's call that throws, or -1
  bool badAlloc;  // what it throws: std::bad_alloc, else a CFileException
};

class Pipeline : public testing::TestWithParam<PipelineCase> {
 protected:
  // Numbers its calls into the block (reading) or records the caller's numbers (writing),
  // and ends after kBlocks when reading.
  bool Job(Block& block) {
    const PipelineCase& c = GetParam();
    if (m_calls == c.failAt) {
      if (c.badAlloc)
        throw std::bad_alloc();
      throw CFileException(CFileException::hardIO, EIO, u"f");
    }
    if (c.reading && m_calls == kBlocks)
      return false;
    if (c.reading)
      block.bytes.assign(1, static_cast<char>(m_calls));
    else
      m_written.push_back(block.bytes.at(0));
    ++m_calls;
    return true;
  }
  // What the caller gets from the pipeline: the numbers, then "end" or what was thrown.
  static void Got(std::string& got, const std::function<void()>& call) {
    try {
      call();
    } catch (const std::bad_alloc&) {
      got += "bad_alloc";
    } catch (const CFileException& e) {
      got += e.what();
    }
  }

  int m_calls = 0;
  std::string m_written;  // by the job's thread, read after it is joined
};

TEST_P(Pipeline, WhatTheJobThrowsReachesTheCallerAfterTheBlocksDone) {
  const PipelineCase& c = GetParam();
  const std::string failure = c.failAt < 0 ? ""
                              : c.badAlloc ? "bad_alloc"
                                           : "f: " + std::string(strerror(EIO));
  std::string got;
  if (c.reading) {
    BlockPipeline pipeline(std::vector<Block>(2), {}, [this](Block& b) { return Job(b); });
    Got(got, [&] {
      for (Block block; pipeline.Take(block); pipeline.Give(std::move(block)))
        got += static_cast<char>('0' + block.bytes.at(0));
      got += "end";
    });
    const int done = c.failAt < 0 ? kBlocks : c.failAt;
    EXPECT_EQ(got, std::string("012345").substr(0, done) + (c.failAt < 0 ? "end" : failure));
    std::string again;
    Got(again, [&] {
      Block block;
      EXPECT_FALSE(pipeline.Take(block));
    });
    EXPECT_EQ(again, failure) << "the end and a failure stay";
    return;
  }
  {
    BlockPipeline pipeline({}, std::vector<Block>(2), [this](Block& b) { return Job(b); });
    Got(got, [&] {
      Block block;
      for (char number = 0; number < kBlocks; ++number) {
        ASSERT_TRUE(pipeline.Take(block));
        block.bytes.assign(1, number);
        pipeline.Give(std::move(block));
      }
      pipeline.Finish();
    });
  }
  EXPECT_EQ(got, failure);
  const int done = c.failAt < 0 ? kBlocks : c.failAt;
  EXPECT_EQ(m_written, std::string("\0\1\2\3\4\5", done)) << "nothing written after a failure";
}

const PipelineCase kPipelineCases[] = {
    {"ReadingToTheEnd", true, -1, false},      {"ReadingFailsAtOnce", true, 0, false},
    {"ReadingRunsOutOfMemory", true, 3, true}, {"WritingEverything", false, -1, false},
    {"WritingFailsAtOnce", false, 0, true},    {"WritingFailsLater", false, 4, false},
};
INSTANTIATE_TEST_SUITE_P(Jobs, Pipeline, testing::ValuesIn(kPipelineCases), corvane_test::ByName);

}  // namespace
