// Where characters begin and end in the code pages the editor knows: single
// byte code pages, UTF-8 (65001) and the double-byte code pages of Japanese
// (932), Simplified Chinese (936), Korean (949 and Johab, 1361) and
// Traditional Chinese (950). Positions stay byte offsets; these rules say
// which of them are character boundaries.
//
// Every byte sequence splits into characters: in UTF-8 a byte that does not
// belong to a valid sequence is a character of its own, and so is a
// double-byte lead byte without its trail byte. So no text is ever refused
// or changed to fit the code page.
#pragma once
#include <string>

namespace kalmor {

constexpr int kCodePageUtf8 = 65001;

enum class CharacterSet { SingleByte, Utf8, DoubleByte };

// Whether SCI_SETCODEPAGE takes the value: 0 (the system's ANSI code page),
// 65001 or one of the double-byte code pages above.
bool KnownCodePage(int codePage);

class Encoding {
  public:
    // codePage is a real code page: 0 already resolved to the system's.
    explicit Encoding(int codePage = 1252);

    int CodePage() const { return codePage_; }
    CharacterSet Set() const { return set_; }
    bool IsLeadByte(unsigned char byte) const;
    bool IsTrailByte(unsigned char byte) const;
    // The length (1 to 4) of the character that starts at bytes[0], when
    // `available` bytes (at least 1) can be read from there.
    int CharacterLength(const unsigned char* bytes, int available) const;

  private:
    int codePage_;
    CharacterSet set_;
    // Inclusive byte ranges, ended by a {0, 0} pair.
    const unsigned char (*lead_)[2] = nullptr;
    const unsigned char (*trail_)[2] = nullptr;
};

// The length of the valid UTF-8 sequence at bytes[0] (no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0 when there is none.
int Utf8SequenceLength(const unsigned char* bytes, int available);

// The code point of a valid UTF-8 sequence of the given length (1 to 4).
char32_t DecodeUtf8(const unsigned char* bytes, int length);

// Appends a code point (up to U+10FFFF) in UTF-8.
void AppendUtf8(std::string& out, char32_t code);

} // namespace kalmor
