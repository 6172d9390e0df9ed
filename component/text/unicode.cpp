// The document's bytes to and from UTF-16, in the code page in force: the
// window text, the clipboard, typed characters and the accessibility
// objects all speak UTF-16. UTF-8 is converted here; the other code pages
// by the system, without best-fit mapping, so a character the code page
// lacks is never turned into a look-alike or a '?'.
#include "component/text/text.h"

namespace kalmor {

int EncodeUtf16(char32_t value, wchar_t units[2]) {
    if (value < 0x10000) {
        units[0] = static_cast<wchar_t>(value);
        return 1;
    }
    value -= 0x10000;
    units[0] = static_cast<wchar_t>(0xD800 + (value >> 10));
    units[1] = static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
    return 2;
}

namespace {

void AppendUtf16(std::wstring& out, char32_t value) {
    wchar_t units[2];
    out.append(units, static_cast<size_t>(EncodeUtf16(value, units)));
}

} // namespace

std::wstring ToUtf16(const Encoding& encoding, const std::string& bytes) {
    std::wstring out;
    if (encoding.Set() == CharacterSet::Utf8) {
        out.reserve(bytes.size());
        auto data = reinterpret_cast<const unsigned char*>(bytes.data());
        int size = static_cast<int>(bytes.size());
        for (int i = 0; i < size;) {
            int length = Utf8SequenceLength(data + i, size - i);
            AppendUtf16(out, length > 0 ? DecodeUtf8(data + i, length) : 0xFFFD);
            i += length > 0 ? length : 1;
        }
        return out;
    }
    int size = static_cast<int>(bytes.size());
    int length = MultiByteToWideChar(encoding.CodePage(), 0, bytes.data(), size, nullptr, 0);
    out.resize(static_cast<size_t>(std::max(length, 0)));
    if (length > 0)
        MultiByteToWideChar(encoding.CodePage(), 0, bytes.data(), size, out.data(), length);
    return out;
}

bool FromUtf16(const Encoding& encoding, const wchar_t* text, size_t length, std::string& bytes) {
    bytes.clear();
    if (encoding.Set() == CharacterSet::Utf8) {
        bytes.reserve(length);
        for (size_t i = 0; i < length; ++i) {
            char32_t value = text[i];
            if (value >= 0xD800 && value <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
                text[i + 1] <= 0xDFFF)
                value = 0x10000 + ((value - 0xD800) << 10) + (text[++i] - 0xDC00);
            else if (value >= 0xD800 && value <= 0xDFFF)
                value = 0xFFFD; // a lone surrogate
            AppendUtf8(bytes, value);
        }
        return true;
    }
    if (length == 0)
        return true;
    int count = static_cast<int>(std::min<size_t>(length, INT_MAX / 2));
    BOOL lossy = FALSE;
    int size = WideCharToMultiByte(encoding.CodePage(), WC_NO_BEST_FIT_CHARS, text, count, nullptr,
                                   0, nullptr, &lossy);
    if (size <= 0 || lossy)
        return false;
    bytes.resize(static_cast<size_t>(size));
    WideCharToMultiByte(encoding.CodePage(), WC_NO_BEST_FIT_CHARS, text, count, bytes.data(), size,
                        nullptr, nullptr);
    return true;
}

bool FromCodePoint(const Encoding& encoding, char32_t value, std::string& bytes) {
    std::wstring units;
    AppendUtf16(units, value);
    return FromUtf16(encoding, units.data(), units.size(), bytes);
}

// How the characters of a code page other than UTF-8 fold without case:
// each converted to UTF-16, folded as Unicode's simple folding says, and
// converted back, where the code page holds the folded character. The core
// asks once for each code page, at its first search without case.
CodePageFolding FoldingOf(int codePage) {
    CodePageFolding folding;
    Encoding encoding(codePage);
    auto fold = [&](const char* bytes, int size, std::string& folded) {
        wchar_t unit = 0;
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, size, &unit, 1) != 1)
            return false;
        wchar_t target = static_cast<wchar_t>(FoldCase(unit));
        return target != unit && FromUtf16(encoding, &target, 1, folded) &&
               static_cast<int>(folded.size()) == size;
    };
    std::string folded;
    for (int byte = 0x80; byte < 256; ++byte) {
        char single = static_cast<char>(byte);
        if (!encoding.IsLeadByte(static_cast<unsigned char>(byte)) && fold(&single, 1, folded))
            folding.bytes[byte] = static_cast<unsigned char>(folded[0]);
    }
    for (int lead = 0x81; encoding.Set() == CharacterSet::DoubleByte && lead < 256; ++lead) {
        for (int trail = 0x40; encoding.IsLeadByte(static_cast<unsigned char>(lead)) && trail < 256;
             ++trail) {
            const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
            if (encoding.IsTrailByte(static_cast<unsigned char>(trail)) && fold(pair, 2, folded))
                folding.pairs[static_cast<uint16_t>(lead << 8 | trail)] =
                    static_cast<uint16_t>(static_cast<unsigned char>(folded[0]) << 8 |
                                          static_cast<unsigned char>(folded[1]));
        }
    }
    return folding;
}

} // namespace kalmor

namespace kalmor {

// Each character in upper or lower case as the user's locale has it, one
// character at a time, so a byte no character claims stays as it is, and so
// does a character whose other case the code page lacks or that changes
// length in UTF-16 (the German sharp s has no single upper-case letter).
std::string ChangeCase(const Encoding& encoding, const std::string& bytes, bool upper) {
    std::string out;
    out.reserve(bytes.size());
    auto data = reinterpret_cast<const unsigned char*>(bytes.data());
    int size = static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX));
    DWORD flags = (upper ? LCMAP_UPPERCASE : LCMAP_LOWERCASE) | LCMAP_LINGUISTIC_CASING;
    for (int i = 0; i < size;) {
        int length = std::max(1, encoding.CharacterLength(data + i, size - i));
        std::string character = bytes.substr(static_cast<size_t>(i), static_cast<size_t>(length));
        i += length;
        if (length == 1 && character[0] >= 0 &&
            character[0] < 0x7F) { // the same in every code page
            char c = character[0];
            out += upper && c >= 'a' && c <= 'z'    ? static_cast<char>(c - 32)
                   : !upper && c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32)
                                                    : c;
            continue;
        }
        // Only a character that survives the trip to UTF-16 and back is mapped.
        std::wstring wide = ToUtf16(encoding, character);
        std::string same;
        wchar_t mapped[4] = {};
        std::string back;
        if (wide.size() <= 2 && FromUtf16(encoding, wide.data(), wide.size(), same) &&
            same == character &&
            LCMapStringW(LOCALE_USER_DEFAULT, flags, wide.data(), static_cast<int>(wide.size()),
                         mapped, 4) == static_cast<int>(wide.size()) &&
            FromUtf16(encoding, mapped, wide.size(), back) && !back.empty())
            out += back;
        else
            out += character;
    }
    return out;
}

} // namespace kalmor
