// Text as the terminal shows it: the layer's byte strings decoded to wide characters, measured
// in cells, cut to a width, wrapped, and captions with their mnemonic marks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ovtb::ui::tty {

// Decodes the layer's text. Valid UTF-8 is taken as such; any other byte is read as
// Windows-1252 (the code page the dialogs were written for), so nothing is ever dropped.
std::wstring Decode(std::string_view text);
// Encodes wide text back to UTF-8 (an edit's text as the model keeps it).
std::string EncodeUtf8(std::wstring_view text);

// Cells a character takes: 0 for combining marks, 2 for wide characters, 1 for the rest;
// control characters take 1 (they are shown as a replacement character).
int CharCells(wchar_t c);
int Cells(std::wstring_view text);

// The longest prefix of the text that fits the cells.
std::wstring FitCells(std::wstring_view text, int cells);
// The text cut to the cells with an ellipsis at its end when it does not fit.
std::wstring Ellipsize(std::wstring_view text, int cells, std::wstring_view ellipsis);

// Word wrap into lines of at most `cells` cells; a word longer than a line is cut.
// Explicit line breaks ("\n", "\r\n") start a new line.
std::vector<std::wstring> Wrap(std::wstring_view text, int cells);

// A caption without its mnemonic marks: "&&" stands for "&", "&X" marks X. `mnemonic` is the
// index of the marked character in the result, or -1.
struct Caption {
    std::wstring text;
    int mnemonic = -1;
};
Caption ParseCaption(std::string_view caption, bool prefix = true);

}  // namespace ovtb::ui::tty
