#include "ui/OutputFormats.h"

const OutputFormatName& OutputFormatLabelled(const CString& label) {
  const OutputFormatName* format = FormatLabelled(label.ToUtf8());
  return format != nullptr ? *format : NameOf(OutputFormat::Json);
}

CString FormatLabel(const OutputFormatName& format) {
  return CString::FromUtf8(format.label);
}

CString FormatExtension(const OutputFormatName& format) {
  return CString::FromUtf8(format.extensions.front());
}

CString FormatFilter(const OutputFormatName& format) {
  return FormatLabel(format) + u" files|*." + FormatExtension(format) + u"|All Files|*.*||";
}

CString WithFormatExtension(const CString& path, const OutputFormatName& format) {
  if (FormatOfFileName(path.ToUtf8()) == nullptr)
    return path;
  const std::u16string_view text = path.View();
  return CString(std::u16string(text.substr(0, text.find_last_of(u'.') + 1))) +
         FormatExtension(format);
}
