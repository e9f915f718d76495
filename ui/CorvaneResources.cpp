#include "ui/CorvaneResources.h"

#include <array>
#include <cstddef>

#include "platform/gui/Resources.h"
#include "ui/Resource.h"
#include "ui/ResourceTables.h"

// The image files of ui/res, compiled in by EmbedFiles.cmake.
extern const unsigned char kRes_convert_bmp[];
extern const std::size_t kRes_convert_bmp_size;
extern const unsigned char kRes_quit_bmp[];
extern const std::size_t kRes_quit_bmp_size;
extern const unsigned char kRes_corvane_16_png[];
extern const std::size_t kRes_corvane_16_png_size;
extern const unsigned char kRes_corvane_32_png[];
extern const std::size_t kRes_corvane_32_png_size;
extern const unsigned char kRes_corvane_48_png[];
extern const std::size_t kRes_corvane_48_png_size;

namespace {

// The output's filters follow the format chosen (ui/OutputFormats.cpp).
const std::array<StringRes, 1> kStrings = {{
    {IDS_SOURCE_FILTER,
     u"Delimited text (*.csv, *.tsv, *.txt)|*.csv;*.tsv;*.txt|Text files|*.txt|CSV files|*.csv|"
     u"Tab-separated values (*.tsv)|*.tsv|All Files|*.*||"},
}};

const ResourceModule& Module() {
  static const std::array<ImageRes, 2> bitmaps = {{
      {IDB_CONVERT, {kRes_convert_bmp, kRes_convert_bmp_size}},
      {IDB_QUIT, {kRes_quit_bmp, kRes_quit_bmp_size}},
  }};
  // The icon in 32-bit colour with alpha; one picture per size serves every depth.
  static const std::array<ImageRes, 3> iconImages = {{
      {48, {kRes_corvane_48_png, kRes_corvane_48_png_size}},
      {32, {kRes_corvane_32_png, kRes_corvane_32_png_size}},
      {16, {kRes_corvane_16_png, kRes_corvane_16_png_size}},
  }};
  static const std::array<IconGroupRes, 1> icons = {{{IDR_MAINFRAME, iconImages}}};
  static const ResourceModule module = {
      MainDialogTemplates(), MainDialogInits(), MainMenus(), kStrings, bitmaps, icons};
  return module;
}

}  // namespace

void RegisterCorvaneResources() {
  AfxAddResourceModule(&Module());
}
