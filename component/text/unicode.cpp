// The document's bytes to and from UTF-16, in the code page in force: the
// window text, the clipboard, typed characters and the accessibility
// objects all speak UTF-16. UTF-8 is converted here; the other code pages
// by the system, without best-fit mapping, so a character the code page
// lacks is never turned into a look-alike or a '?'.
#include "component/window/editor_window.h"

namespace kalmor {

namespace {

void AppendUtf16(std::wstring& out, char32_t value) {
    if (value >= 0x10000) {
        value -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (value >> 10));
        out += static_cast<wchar_t>(0xDC00 + (value & 0x3FF));
    } else {
        out += static_cast<wchar_t>(value);
    }
}

void AppendUtf8(std::string& out, char32_t value) {
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | value >> 6);
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += static_cast<char>(0xE0 | value >> 12);
        out += static_cast<char>(0x80 | (value >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | value >> 18);
        out += static_cast<char>(0x80 | (value >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (value >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

} // namespace

char32_t DecodeUtf8(const unsigned char* bytes, int length) {
    if (length == 1)
        return bytes[0];
    char32_t value = bytes[0] & (0x7F >> length);
    for (int i = 1; i < length; ++i)
        value = value << 6 | (bytes[i] & 0x3F);
    return value;
}

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

} // namespace kalmor
