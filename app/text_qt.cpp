#include "app/text_qt.h"

#include <string>

#include "web/codepage.h"

namespace animal_ids {

QString ToWidgetText(const Text& text, bool lineBreaks) {
  std::u16string wide = AnsiToWide(text);
  if (lineBreaks) {
    // One pass in place: a CR LF pair shrinks to LF, a lone CR becomes LF.
    size_t out = 0;
    for (size_t i = 0; i < wide.size(); ++i) {
      char16_t c = wide[i];
      if (c == u'\r') {
        if (i + 1 < wide.size() && wide[i + 1] == u'\n') ++i;
        c = u'\n';
      }
      wide[out++] = c;
    }
    wide.resize(out);
  }
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

Text FromWidgetText(const QString& text, bool lineBreaks) {
  std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                            static_cast<size_t>(text.size()));
  if (!lineBreaks) return AnsiFromWide(units);
  std::u16string wide;
  wide.reserve(units.size() + units.size() / 16);
  for (char16_t c : units) {
    if (c == u'\n' || c == u'\u2028' || c == u'\u2029') {
      wide += u"\r\n";
    } else {
      wide += c;
    }
  }
  return AnsiFromWide(wide);
}

QString FromProgramLiteral(const char* utf8) { return ToWidgetText(AnsiFromUtf8(utf8), true); }

}  // namespace animal_ids
