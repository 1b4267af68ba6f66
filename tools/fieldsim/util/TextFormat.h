// Number and text formatting shared by the perception writer, the truth log
// and the console lines.
#pragma once

#include <string>

class TextFormat {
public:
    // Fixed point with `decimals` decimals, as printf's %.Nf (so "-0.000" stays).
    static std::string fixed(double value, int decimals = 3);
    static void appendFixed(std::string& out, double value, int decimals = 3);
    // A JSON string literal (with the quotes) of arbitrary bytes.
    static std::string jsonString(const std::string& text);
    // Printable form of untrusted bytes for a console line: controls as \xNN, cut to `limit`.
    static std::string printable(const std::string& text, size_t limit = 200);
};
