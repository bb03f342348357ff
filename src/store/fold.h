#pragma once

// The case folding of the history's search: the short words, which the trigram index cannot
// find, folded as the index folds the longer ones.

#include <string>
#include <string_view>
#include <vector>

namespace dipsheet::store::detail {

// `text` with its case folded into `out` (replacing what it held): every capital letter of the
// scripts an office writes in to its small letter, code point for code point; bytes that are no
// UTF-8 stay as they are, so a text of any bytes folds.
void foldCase(std::string_view text, std::string& out);

// The words of a search, as every history store parts them: blanks are spaces and every control
// character (NUL included), since a pasted text may hold any of them and none is part of a
// stored word. At most the first 16: each word narrows the list, so more say nothing the first
// ones did not, and an engine query has a size it refuses past.
std::vector<std::string_view> searchWords(std::string_view search);

}  // namespace dipsheet::store::detail
