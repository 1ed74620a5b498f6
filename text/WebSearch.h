#pragma once

#include <QString>

// Used for the web search when "SearchURL" is missing or left empty.
inline constexpr char kDefaultSearchUrl[] = "https://www.google.com/search?q=";

// The word in UTF-8 for a search URL's query: ASCII letters and digits as
// they are, a space as "+", every other byte as "%" and two lower-case hex
// digits (the parentheses of alternative forms and "-_.~" included).
QString EncodeQuery(const QString& word);
