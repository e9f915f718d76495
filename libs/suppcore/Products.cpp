#include "libs/suppcore/Products.h"

#include <array>

namespace {

const std::array<ProductInfo, 17> kProducts = {{
    {OSTREL_SHEET_VIEWER, u"Ostrel Sheet Viewer", "ostrel-sheet-viewer"},
    {OSTREL_IMAGE_RESIZER, u"Ostrel Image Resizer", "ostrel-image-resizer"},
    {OSTREL_FILE_SPLITTER, u"Ostrel File Splitter", "ostrel-file-splitter"},
    {OSTREL_ARCHIVE_BUILDER, u"Ostrel Archive Builder", "ostrel-archive-builder"},
    {OSTREL_DISK_CLEANER, u"Ostrel Disk Cleaner", "ostrel-disk-cleaner"},
    {OSTREL_PHOTO_ALBUM, u"Ostrel Photo Album", "ostrel-photo-album"},
    {OSTREL_REPORT_DESIGNER, u"Ostrel Report Designer", "ostrel-report-designer"},
    {OSTREL_BACKUP_KEEPER, u"Ostrel Backup Keeper", "ostrel-backup-keeper"},
    {OSTREL_TEXT_COMPARE, u"Ostrel Text Compare", "ostrel-text-compare"},
    {OSTREL_MAIL_MERGER, u"Ostrel Mail Merger", "ostrel-mail-merger"},
    {OSTREL_LABEL_PRINTER, u"Ostrel Label Printer", "ostrel-label-printer"},
    {OSTREL_DATA_EXPLORER, u"Ostrel Data Explorer", "ostrel-data-explorer"},
    {OSTREL_FONT_BROWSER, u"Ostrel Font Browser", "ostrel-font-browser"},
    {OSTREL_AUDIO_TRIMMER, u"Ostrel Audio Trimmer", "ostrel-audio-trimmer"},
    {OSTREL_CLIPBOARD_KEEPER, u"Ostrel Clipboard Keeper", "ostrel-clipboard-keeper"},
    {OSTREL_SCREEN_RULER, u"Ostrel Screen Ruler", "ostrel-screen-ruler"},
    {OSTREL_TASK_TIMER, u"Ostrel Task Timer", "ostrel-task-timer"},
}};

}  // namespace

std::span<const ProductInfo> OtherProducts() {
  return kProducts;
}

const ProductInfo* FindProduct(int code) {
  for (const ProductInfo& product : kProducts)
    if (product.code == code)
      return &product;
  return nullptr;
}
