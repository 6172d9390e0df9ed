#include "component/core/code_page.h"

namespace kalmor {

namespace {

using Ranges = const unsigned char[][2];

// The lead and trail byte ranges of the double-byte code pages, as Windows
// defines them.
constexpr Ranges kLead932 = {{0x81, 0x9F}, {0xE0, 0xFC}, {0, 0}};
constexpr Ranges kTrail932 = {{0x40, 0x7E}, {0x80, 0xFC}, {0, 0}};
constexpr Ranges kLead936 = {{0x81, 0xFE}, {0, 0}};
constexpr Ranges kTrail936 = {{0x40, 0x7E}, {0x80, 0xFE}, {0, 0}};
constexpr Ranges kTrail949 = {{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}, {0, 0}};
constexpr Ranges kTrail950 = {{0x40, 0x7E}, {0xA1, 0xFE}, {0, 0}};
constexpr Ranges kLead1361 = {{0x84, 0xD3}, {0xD8, 0xDE}, {0xE0, 0xF9}, {0, 0}};
constexpr Ranges kTrail1361 = {{0x31, 0x7E}, {0x81, 0xFE}, {0, 0}};

bool InRanges(const unsigned char (*ranges)[2], unsigned char byte) {
    for (; ranges && ranges[0][1] != 0; ++ranges) {
        if (byte >= ranges[0][0] && byte <= ranges[0][1]) {
            return true;
        }
    }
    return false;
}

bool Continuation(unsigned char byte) {
    return byte >= 0x80 && byte <= 0xBF;
}

} // namespace

bool KnownCodePage(int codePage) {
    return codePage == 0 || codePage == kCodePageUtf8 || codePage == 932 || codePage == 936 ||
           codePage == 949 || codePage == 950 || codePage == 1361;
}

Encoding::Encoding(int codePage) : codePage_(codePage), set_(CharacterSet::DoubleByte) {
    switch (codePage) {
    case 932: lead_ = kLead932, trail_ = kTrail932; break;
    case 936: lead_ = kLead936, trail_ = kTrail936; break;
    case 949: lead_ = kLead936, trail_ = kTrail949; break;
    case 950: lead_ = kLead936, trail_ = kTrail950; break;
    case 1361: lead_ = kLead1361, trail_ = kTrail1361; break;
    case kCodePageUtf8: set_ = CharacterSet::Utf8; break;
    default: set_ = CharacterSet::SingleByte;
    }
}

bool Encoding::IsLeadByte(unsigned char byte) const {
    return InRanges(lead_, byte);
}

bool Encoding::IsTrailByte(unsigned char byte) const {
    return InRanges(trail_, byte);
}

int Encoding::CharacterLength(const unsigned char* bytes, int available) const {
    switch (set_) {
    case CharacterSet::Utf8: {
        int length = Utf8SequenceLength(bytes, available);
        return length > 0 ? length : 1;
    }
    case CharacterSet::DoubleByte:
        return available >= 2 && IsLeadByte(bytes[0]) && IsTrailByte(bytes[1]) ? 2 : 1;
    default: return 1;
    }
}

int Utf8SequenceLength(const unsigned char* bytes, int available) {
    unsigned char lead = bytes[0];
    if (lead < 0x80) {
        return 1;
    }
    int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                 : lead >= 0xE0 && lead <= 0xEF ? 3
                 : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                : 0;
    if (length == 0 || available < length) {
        return 0;
    }
    // The second byte's range excludes overlong forms, surrogates and values past U+10FFFF.
    unsigned char second = bytes[1];
    unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (second < low || second > high) {
        return 0;
    }
    for (int i = 2; i < length; ++i) {
        if (!Continuation(bytes[i])) {
            return 0;
        }
    }
    return length;
}

char32_t DecodeUtf8(const unsigned char* bytes, int length) {
    if (length == 1)
        return bytes[0];
    char32_t value = bytes[0] & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        value = value << 6 | (bytes[i] & 0x3F);
    return value;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace kalmor
