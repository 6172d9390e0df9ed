// A UI Automation text range over the editor's document: two positions, the
// unit moves of the core's TextUnits, and the text, attributes and screen
// rectangles of what it spans. Every call does its work on the window's thread.
#include <algorithm>
#include <new>
#include "component/text/text.h"
#include "component/accessibility/uia_provider.h"
#include "kalmor.h"

namespace kalmor {

namespace {

// Asked of a range passed back to us, to tell our own ranges from foreign ones.
constexpr IID kKalmorTextRange = {
    0x6b1c2f4e, 0x8a5d, 0x4c1e, {0x9f, 0x3a, 0x2d, 0x7e, 0x5b, 0x9c, 0x0a, 0x41}};

bool ValidUnit(int unit) {
    return unit >= static_cast<int>(TextUnit::Character) &&
           unit <= static_cast<int>(TextUnit::Document);
}

bool ValidEndpoint(int endpoint) {
    return endpoint == uia::TextPatternRangeEndpoint_Start ||
           endpoint == uia::TextPatternRangeEndpoint_End;
}

bool IsStyleAttribute(TEXTATTRIBUTEID id) {
    return id == uia::kFontNameAttribute || id == uia::kFontSizeAttribute ||
           id == uia::kForegroundColorAttribute || id == uia::kBackgroundColorAttribute;
}

bool SameStyleAttribute(const Style& a, const Style& b, TEXTATTRIBUTEID id) {
    switch (id) {
    case uia::kFontNameAttribute: return a.font == b.font;
    case uia::kFontSizeAttribute: return a.size == b.size;
    case uia::kForegroundColorAttribute: return a.fore == b.fore;
    default: return a.back == b.back;
    }
}

void SetStyleAttribute(const AccessibilityApi& api, const Style& style, TEXTATTRIBUTEID id,
                       VARIANT& out) {
    switch (id) {
    case uia::kFontNameAttribute:
        out.bstrVal = ToBstr(api, style.font);
        out.vt = out.bstrVal ? VT_BSTR : VT_EMPTY;
        break;
    case uia::kFontSizeAttribute:
        out.vt = VT_R8;
        out.dblVal = style.size;
        break;
    default:
        out.vt = VT_I4;
        out.lVal =
            static_cast<LONG>(id == uia::kForegroundColorAttribute ? style.fore : style.back);
    }
}

// Whether a client's value equals a style's attribute.
bool StyleAttributeEquals(const Style& style, TEXTATTRIBUTEID id, const VARIANT& value) {
    switch (id) {
    case uia::kFontNameAttribute:
        return value.vt == VT_BSTR && value.bstrVal && FromWide(value.bstrVal) == style.font;
    case uia::kFontSizeAttribute:
        return (value.vt == VT_R8 && value.dblVal == style.size) ||
               (value.vt == VT_I4 && value.lVal == style.size);
    case uia::kForegroundColorAttribute:
        return value.vt == VT_I4 && static_cast<uint32_t>(value.lVal) == style.fore;
    default: return value.vt == VT_I4 && static_cast<uint32_t>(value.lVal) == style.back;
    }
}

// The sentinel objects, or an empty value where UI Automation lacks them.
void SetReserved(HRESULT(WINAPI* get)(IUnknown**), VARIANT& out) {
    out.vt = VT_EMPTY;
    if (get && SUCCEEDED(get(&out.punkVal)) && out.punkVal)
        out.vt = VT_UNKNOWN;
}

} // namespace

class TextRange final : public ComObject<uia::ITextRangeProvider> {
  public:
    TextRange(AccessLink* link, TextSpan span) : link_(link), span_(span) { link_->AddRef(); }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        if (iid == uia::kIUnknown || iid == uia::kITextRangeProvider || iid == kKalmorTextRange) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    // ITextRangeProvider
    HRESULT STDMETHODCALLTYPE Clone(ITextRangeProvider** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor&) {
            *out = MakeTextRange(link_, span_);
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE Compare(ITextRangeProvider* range, BOOL* out) override {
        TextRange* other = Ours(range);
        if (!ClearOut(out) || !other)
            return Invalid(other);
        HRESULT result = link_->Run([&](AccessibleEditor& w) {
            TextSpan a = UnitsOf(w).Clamp(span_), b = UnitsOf(w).Clamp(other->span_);
            *out = a.start == b.start && a.end == b.end;
            return S_OK;
        });
        other->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE CompareEndpoints(uia::TextPatternRangeEndpoint endpoint,
                                               ITextRangeProvider* targetRange,
                                               uia::TextPatternRangeEndpoint targetEndpoint,
                                               int* out) override {
        TextRange* other = Ours(targetRange);
        if (!ClearOut(out) || !other || !ValidEndpoint(endpoint) || !ValidEndpoint(targetEndpoint))
            return Invalid(other);
        HRESULT result = link_->Run([&](AccessibleEditor& w) {
            *out = Endpoint(w, span_, endpoint) - Endpoint(w, other->span_, targetEndpoint);
            return S_OK;
        });
        other->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(uia::TextUnit unit) override {
        if (!ValidUnit(unit))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            span_ = UnitsOf(w).Expand(span_, static_cast<TextUnit>(unit));
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID id, VARIANT value, BOOL backward,
                                            ITextRangeProvider** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run(
            [&](AccessibleEditor& w) { return FindAttributeOn(w, id, value, backward, out); });
    }
    HRESULT STDMETHODCALLTYPE FindText(BSTR text, BOOL backward, BOOL ignoreCase,
                                       ITextRangeProvider** out) override {
        if (!ClearOut(out) || !text || !text[0])
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            std::string needle;
            if (!FromUtf16(w.core.CurrentEncoding(), text, wcslen(text), needle))
                return S_OK; // the code page lacks one of its characters: found nowhere
            // The editor's own search: whole characters, and folding as a
            // host's search without case folds.
            int flags = ignoreCase ? 0 : SCFIND_MATCHCASE;
            auto [start, end] = backward ? w.core.Find(span_.end, span_.start, needle, flags)
                                         : w.core.Find(span_.start, span_.end, needle, flags);
            if (start < 0)
                return S_OK;
            *out = MakeTextRange(link_, TextSpan{start, end});
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID id, VARIANT* out) override {
        if (!out)
            return E_INVALIDARG;
        out->vt = VT_EMPTY;
        return link_->Run([&](AccessibleEditor& w) { return AttributeValue(w, id, *out); });
    }
    HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) { return BoundingRectangles(w, out); });
    }
    HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            *out = RootProvider(w);
            if (!*out)
                return uia::kElementNotAvailable;
            (*out)->AddRef();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* out) override {
        if (!ClearOut(out) || maxLength < -1)
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            TextSpan span = UnitsOf(w).Clamp(span_);
            std::wstring text =
                ToUtf16(w.core.CurrentEncoding(), w.core.TextRange(span.start, span.end));
            if (maxLength >= 0 && text.size() > static_cast<size_t>(maxLength)) {
                // Cut to whole characters: never half a surrogate pair.
                size_t keep = static_cast<size_t>(maxLength);
                if (keep > 0 && IS_HIGH_SURROGATE(text[keep - 1]))
                    --keep;
                text.resize(keep);
            }
            *out =
                w.accessibility->api.SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    HRESULT STDMETHODCALLTYPE Move(uia::TextUnit unit, int count, int* out) override {
        if (!ClearOut(out) || !ValidUnit(unit))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            *out = UnitsOf(w).Move(span_, static_cast<TextUnit>(unit), count);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(uia::TextPatternRangeEndpoint endpoint,
                                                 uia::TextUnit unit, int count, int* out) override {
        if (!ClearOut(out) || !ValidUnit(unit) || !ValidEndpoint(endpoint))
            return E_INVALIDARG;
        return link_->Run([&](AccessibleEditor& w) {
            *out = UnitsOf(w).MoveEndpoint(span_, endpoint == uia::TextPatternRangeEndpoint_End,
                                           static_cast<TextUnit>(unit), count);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE
    MoveEndpointByRange(uia::TextPatternRangeEndpoint endpoint, ITextRangeProvider* targetRange,
                        uia::TextPatternRangeEndpoint targetEndpoint) override {
        TextRange* other = Ours(targetRange);
        if (!other || !ValidEndpoint(endpoint) || !ValidEndpoint(targetEndpoint))
            return Invalid(other);
        HRESULT result = link_->Run([&](AccessibleEditor& w) {
            int pos = Endpoint(w, other->span_, targetEndpoint);
            TextSpan span = UnitsOf(w).Clamp(span_);
            if (endpoint == uia::TextPatternRangeEndpoint_Start)
                span_ = {pos, std::max(pos, span.end)};
            else
                span_ = {std::min(pos, span.start), pos};
            return S_OK;
        });
        other->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE Select() override {
        return link_->Run([&](AccessibleEditor& w) {
            TextSpan span = UnitsOf(w).Clamp(span_);
            w.window.SelectAndShow(span.start, span.end);
            return S_OK;
        });
    }
    // A control with a single selection cannot add or remove parts of it.
    HRESULT STDMETHODCALLTYPE AddToSelection() override { return uia::kInvalidOperation; }
    HRESULT STDMETHODCALLTYPE RemoveFromSelection() override { return uia::kInvalidOperation; }
    HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) override {
        return link_->Run([&](AccessibleEditor& w) {
            TextSpan span = UnitsOf(w).Clamp(span_);
            w.window.ScrollLineIntoView(w.core.LineFromPosition(alignToTop ? span.start : span.end),
                                        alignToTop);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** out) override {
        if (!ClearOut(out))
            return E_INVALIDARG;
        return link_->Run(
            [&](AccessibleEditor& w) { return RangesToArray(w.accessibility->api, {}, out); });
    }

  private:
    ~TextRange() { link_->Release(); }

    // One of our ranges over the same window, AddRef'd; null for anything else.
    TextRange* Ours(ITextRangeProvider* range) const {
        void* ours = nullptr;
        if (!range || FAILED(range->QueryInterface(kKalmorTextRange, &ours)) || !ours)
            return nullptr;
        TextRange* other = static_cast<TextRange*>(static_cast<ITextRangeProvider*>(ours));
        if (other->link_ != link_) {
            other->Release();
            return nullptr;
        }
        return other;
    }
    static HRESULT Invalid(TextRange* other) {
        if (other)
            other->Release();
        return E_INVALIDARG;
    }
    static int Endpoint(AccessibleEditor& w, TextSpan span, int endpoint) {
        span = UnitsOf(w).Clamp(span);
        return endpoint == uia::TextPatternRangeEndpoint_Start ? span.start : span.end;
    }

    // The style at each byte of the range; an empty range has the style it touches.
    static std::string StylesOf(AccessibleEditor& w, TextSpan span) {
        if (span.start < span.end)
            return w.core.StyleRange(span.start, span.end);
        int length = w.core.Length();
        if (length == 0)
            return std::string(1, static_cast<char>(STYLE_DEFAULT));
        return std::string(1, static_cast<char>(w.core.StyleAt(std::min(span.start, length - 1))));
    }

    // Hidden: every line of the range is folded away (0), none is (1), or both (2).
    static int HiddenState(AccessibleEditor& w, TextSpan span) {
        int first = w.core.LineFromPosition(span.start);
        int last = w.core.LineFromPosition(std::max(span.start, span.end - 1));
        bool hidden = false, shown = false;
        for (int line = first; line <= last && !(hidden && shown); ++line)
            (w.core.LineVisible(line) ? shown : hidden) = true;
        return hidden && shown ? 2 : hidden ? 0 : 1;
    }

    HRESULT AttributeValue(AccessibleEditor& w, TEXTATTRIBUTEID id, VARIANT& out) {
        const AccessibilityApi& api = w.accessibility->api;
        TextSpan span = UnitsOf(w).Clamp(span_);
        if (id == uia::kIsReadOnlyAttribute || id == uia::kIsHiddenAttribute) {
            // States as HiddenState gives them: 0 true, 1 false, 2 mixed.
            int state = id == uia::kIsReadOnlyAttribute ? (w.core.ReadOnly() ? 0 : 1)
                                                        : HiddenState(w, span);
            if (state == 2) {
                SetReserved(api.GetReservedMixedAttributeValue, out);
            } else {
                out.vt = VT_BOOL;
                out.boolVal = state == 0 ? VARIANT_TRUE : VARIANT_FALSE;
            }
        } else if (IsStyleAttribute(id)) {
            std::string styles = StylesOf(w, span);
            const Style& first = w.core.GetStyle(static_cast<unsigned char>(styles[0]));
            bool mixed = std::any_of(styles.begin(), styles.end(), [&](char style) {
                return !SameStyleAttribute(first,
                                           w.core.GetStyle(static_cast<unsigned char>(style)), id);
            });
            if (mixed)
                SetReserved(api.GetReservedMixedAttributeValue, out);
            else
                SetStyleAttribute(api, first, id, out);
        } else if (id == uia::kAnnotationTypesAttribute) {
            return AnnotationTypes(w, span, out);
        } else {
            SetReserved(api.GetReservedNotSupportedValue, out);
        }
        return S_OK;
    }

    // The host's indicators as annotations: a squiggle is a spelling error,
    // any other shown indicator an annotation of unknown type. Mixed when
    // an indicator covers only part of the range.
    HRESULT AnnotationTypes(AccessibleEditor& w, TextSpan span, VARIANT& out) {
        const AccessibilityApi& api = w.accessibility->api;
        int end = std::max(span.end, span.start + 1);
        std::vector<int> types;
        for (int n = 0; n < kIndicatorCount; ++n) {
            int style = w.core.GetIndicatorStyle(n).style;
            std::vector<IndicatorRuns::Run> runs = w.core.IndicatorRunsIn(n, span.start, end);
            if (runs.empty() || style == INDIC_HIDDEN)
                continue;
            if (runs.size() > 1 || runs[0].start > span.start || runs[0].end < end) {
                SetReserved(api.GetReservedMixedAttributeValue, out);
                return S_OK;
            }
            int type = style == INDIC_SQUIGGLE || style == INDIC_SQUIGGLELOW ||
                               style == INDIC_SQUIGGLEPIXMAP
                           ? uia::kAnnotationSpellingError
                           : uia::kAnnotationUnknown;
            if (std::find(types.begin(), types.end(), type) == types.end())
                types.push_back(type);
        }
        SAFEARRAY* array = api.SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(types.size()));
        if (!array)
            return E_OUTOFMEMORY;
        for (LONG i = 0; i < static_cast<LONG>(types.size()); ++i)
            api.SafeArrayPutElement(array, &i, &types[static_cast<size_t>(i)]);
        out.vt = VT_ARRAY | VT_I4;
        out.parray = array;
        return S_OK;
    }

    // The first (or last) stretch of the range whose attribute equals value:
    // IsHidden goes by lines, the style attributes by runs of one style.
    HRESULT FindAttributeOn(AccessibleEditor& w, TEXTATTRIBUTEID id, const VARIANT& value,
                            BOOL backward, ITextRangeProvider** out) {
        bool hidden = id == uia::kIsHiddenAttribute;
        if (!hidden && !IsStyleAttribute(id) && id != uia::kIsReadOnlyAttribute)
            return S_OK;
        TextUnits units = UnitsOf(w);
        TextSpan span = units.Clamp(span_);
        TextUnit unit = hidden                 ? TextUnit::Line
                        : IsStyleAttribute(id) ? TextUnit::Format
                                               : TextUnit::Document;
        std::vector<TextSpan> matches;
        for (int pos = span.start; pos < span.end;) {
            TextSpan piece = units.Expand({pos, pos}, unit);
            piece = {std::max(piece.start, span.start), std::min(piece.end, span.end)};
            bool match = false;
            if (hidden)
                match = value.vt == VT_BOOL && (value.boolVal != VARIANT_FALSE) !=
                                                   w.core.LineVisible(w.core.LineFromPosition(pos));
            else if (id == uia::kIsReadOnlyAttribute)
                match =
                    value.vt == VT_BOOL && (value.boolVal != VARIANT_FALSE) == w.core.ReadOnly();
            else
                match = StyleAttributeEquals(w.core.GetStyle(w.core.StyleAt(pos)), id, value);
            if (match && !matches.empty() && matches.back().end == piece.start)
                matches.back().end = piece.end;
            else if (match)
                matches.push_back(piece);
            pos = std::max(piece.end, pos + 1);
        }
        if (matches.empty())
            return S_OK;
        *out = MakeTextRange(link_, backward ? matches.back() : matches.front());
        return *out ? S_OK : E_OUTOFMEMORY;
    }

    // Left, top, width, height in screen pixels for each display line's part
    // of the range shown on screen; an empty range gives its caret's
    // zero-width place.
    HRESULT BoundingRectangles(AccessibleEditor& w, SAFEARRAY** out) {
        TextSpan span = UnitsOf(w).Clamp(span_);
        RECT client{};
        GetClientRect(w.hwnd, &client);
        int firstRow = w.core.FirstVisibleLine();
        int origin = TextLeft(w.view) - w.view.xOffset;
        std::vector<double> boxes;
        int lastLine = w.core.LineFromPosition(span.end);
        for (int line = w.core.LineFromPosition(span.start); line <= lastLine; ++line) {
            if (!w.core.LineVisible(line))
                continue;
            LineLayout layout = LayOutLine(w.view, nullptr, line);
            int from = std::max(span.start, layout.start) - layout.start;
            int to = std::min(span.end, w.core.LineEnd(line)) - layout.start;
            if (from > to || (from == to && span.start != span.end))
                continue;
            int first = span.start == span.end ? RowOfByte(layout, from) : 0;
            int last = span.start == span.end ? first : RowCount(layout) - 1;
            // Only rows on screen have boxes: a long line may have very many.
            int shown = firstRow - w.core.VisibleFromDocLine(line);
            first = std::max(first, shown);
            last = std::min(last, shown + static_cast<int>(client.bottom) / w.view.lineHeight + 1);
            for (int row = first; row <= last; ++row) {
                int a = std::max(from, RowStart(layout, row));
                int b = std::min(to, RowEnd(layout, row));
                if (a > b || (a == b && span.start != span.end))
                    continue;
                int top = (w.core.VisibleFromDocLine(line) + row - firstRow) * w.view.lineHeight;
                int left = std::max(origin + RowX(layout, row, a), TextLeft(w.view));
                int right = std::min<int>(origin + RowX(layout, row, b), client.right);
                if (top < 0 || top >= client.bottom || right < left)
                    continue;
                POINT corner{left, top};
                ClientToScreen(w.hwnd, &corner);
                int bottom = std::min<int>(top + w.view.lineHeight, client.bottom);
                boxes.insert(boxes.end(),
                             {static_cast<double>(corner.x), static_cast<double>(corner.y),
                              static_cast<double>(right - left),
                              static_cast<double>(bottom - top)});
            }
        }
        const AccessibilityApi& api = w.accessibility->api;
        SAFEARRAY* array = api.SafeArrayCreateVector(VT_R8, 0, static_cast<ULONG>(boxes.size()));
        if (!array)
            return E_OUTOFMEMORY;
        for (LONG i = 0; i < static_cast<LONG>(boxes.size()); ++i)
            api.SafeArrayPutElement(array, &i, &boxes[static_cast<size_t>(i)]);
        *out = array;
        return S_OK;
    }

    AccessLink* link_;
    TextSpan span_; // read and written on the window's thread only
};

uia::ITextRangeProvider* MakeTextRange(AccessLink* link, TextSpan span) {
    return new (std::nothrow) TextRange(link, span);
}

} // namespace kalmor
