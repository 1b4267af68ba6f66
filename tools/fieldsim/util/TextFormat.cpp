#include "util/TextFormat.h"

#include <cmath>
#include <cstdio>

std::string TextFormat::fixed(double value, int decimals) {
    std::string out;
    appendFixed(out, value, decimals);
    return out;
}

void TextFormat::appendFixed(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) value = 0.0;
    if (decimals < 0) decimals = 0;
    if (decimals > 9) decimals = 9;
    char buf[64];
    // Values are bounded by the field and the joint limits; anything absurd
    // is cut rather than printed with hundreds of digits.
    if (value > 1e15) value = 1e15;
    if (value < -1e15) value = -1e15;
    const int n = std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    if (n > 0) out.append(buf, static_cast<size_t>(n) < sizeof buf ? static_cast<size_t>(n) : sizeof buf - 1);
}

std::string TextFormat::jsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c >= 0x7f) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}

std::string TextFormat::printable(const std::string& text, size_t limit) {
    std::string out;
    for (size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > limit) out += "...";
    return out;
}
