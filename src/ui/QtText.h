#pragma once

#include <QString>
#include <string>
#include <string_view>

// Texts between the program's model and Qt: the model holds UTF-8 with CR LF between lines,
// Qt widgets break lines at LF.
namespace kiv::qttext {

QString fromKiv(std::string_view text);
std::string toKiv(const QString& text);
// The lines of a text joined by blanks, for a cell that shows one line.
QString oneLine(std::string_view text);

}  // namespace kiv::qttext
