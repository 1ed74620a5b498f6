#pragma once

#include <QString>

// The word in UTF-8 for a search URL's query: ASCII letters and digits as
// they are, a space as "+", every other byte as "%" and two lower-case hex
// digits (the parentheses of alternative forms and "-_.~" included).
QString EncodeQuery(const QString& word);
