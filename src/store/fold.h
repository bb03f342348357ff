#pragma once

// The case folding of the history's search: the short words, which the trigram index cannot
// find, folded as the index folds the longer ones.

#include <string>
#include <string_view>

namespace dipsheet::store::detail {

// `text` with its case folded into `out` (replacing what it held): every capital letter of the
// scripts an office writes in to its small letter, code point for code point; bytes that are no
// UTF-8 stay as they are, so a text of any bytes folds.
void foldCase(std::string_view text, std::string& out);

}  // namespace dipsheet::store::detail
