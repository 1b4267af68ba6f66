// Drives every scanning primitive over arbitrary bytes: each must stay inside
// the text, keep the cursor moving forward, and never write past a word area.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "utils/Parser.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size heap copy, so reading past the terminator is caught.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    char* const begin = text.data();
    char* const end = begin + std::strlen(begin);

    // The first byte chooses a word-area size (0 to 31); the area is its own
    // allocation so that any overrun is caught.
    const std::size_t wordSize = size > 0 ? data[0] % 32 : Parser::kWordSize;
    std::unique_ptr<char[]> word(new char[wordSize == 0 ? 1 : wordSize]);
    std::unique_ptr<char[]> defaultWord(new char[Parser::kWordSize]);

    for (int op = 0; op < 8; ++op) {
        char* cursor = begin;
        for (;;) {
            char* const before = cursor;
            switch (op) {
                case 0:
                    Parser::parseFirstDouble(&cursor);
                    break;
                case 1:
                    Parser::parseFirstInt(&cursor);
                    break;
                case 2:
                    Parser::parseFirstLongInt(&cursor);
                    break;
                case 3:
                    Parser::parseFirstWord(&cursor, word.get(), wordSize);
                    break;
                case 4:
                    Parser::parseFirstWord(&cursor, defaultWord.get());
                    break;
                case 5:
                    Parser::gotoFirstOccurenceOf('(', &cursor);
                    break;
                case 6:
                    Parser::gotoFirstSpaceOrClosingBracket(&cursor);
                    break;
                case 7: {
                    std::unique_ptr<char[]> attr(Parser::getAttrOf(&cursor, "pol"));
                    if (attr) {
                        check(std::strlen(attr.get()) < size + 1);
                    }
                    break;
                }
            }
            check(cursor >= before && cursor <= end);
            if (op == 3 && wordSize > 0) {
                check(std::strlen(word.get()) < wordSize);
            }
            if (op == 4) {
                check(std::strlen(defaultWord.get()) < Parser::kWordSize);
            }
            if (cursor == end) {
                break;
            }
            if (cursor == before) {
                ++cursor;  // stopped on a delimiter: step over it and go on
            }
            Parser::gotoFirstNonSpace(&cursor);
        }
    }
    return 0;
}
