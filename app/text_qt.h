#pragma once

// Texts across the widget boundary: the program holds code page 936 with
// CR LF line ends, the widgets hold UTF-16 with their own line breaks.

#include <QString>

#include "text/text.h"

namespace animal_ids {

// A text as a widget shows it; with lineBreaks, CR LF (and a lone CR or LF)
// become the widget's LF.
QString ToWidgetText(const Text& text, bool lineBreaks = false);

// A widget's text back in the code page; with lineBreaks, every line break
// the widget holds (LF, U+2028, U+2029) becomes CR LF.
Text FromWidgetText(const QString& text, bool lineBreaks = false);

// One of the program's UTF-8 literals as a widget shows it: through the code
// page, so that a character it cannot hold shows as the Windows program shows it.
QString FromProgramLiteral(const char* utf8);

}  // namespace animal_ids
