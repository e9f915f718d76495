// The maker's products: the code each is known by, its name and the program that
// starts it.
#pragma once

#include <span>

#include "platform/core/Types.h"

enum OSTREL_PRODUCT : int {
  OSTREL_SHEET_VIEWER = 0,
  OSTREL_IMAGE_RESIZER = 1,
  OSTREL_FILE_SPLITTER = 2,
  OSTREL_ARCHIVE_BUILDER = 3,
  OSTREL_DISK_CLEANER = 4,
  OSTREL_PHOTO_ALBUM = 5,
  OSTREL_REPORT_DESIGNER = 6,
  OSTREL_BACKUP_KEEPER = 7,
  OSTREL_TEXT_COMPARE = 8,
  OSTREL_MAIL_MERGER = 10,
  OSTREL_LABEL_PRINTER = 11,
  OSTREL_DATA_EXPLORER = 12,
  OSTREL_FONT_BROWSER = 16,
  OSTREL_AUDIO_TRIMMER = 17,
  OSTREL_CLIPBOARD_KEEPER = 18,
  OSTREL_SCREEN_RULER = 19,
  OSTREL_TASK_TIMER = 20,
  OSTREL_CORVANE_CONVERTER = 23,
};

struct ProductInfo {
  OSTREL_PRODUCT code;
  LPCWSTR name;         // as the menus show it
  const char* program;  // the executable looked up on the PATH
};

// Every product but this one, in code order.
std::span<const ProductInfo> OtherProducts();
// The product of that code, or null.
const ProductInfo* FindProduct(int code);
