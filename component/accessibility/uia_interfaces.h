// The UI Automation provider interfaces, constants and entry points the
// editor needs that the MinGW headers lack, declared from Microsoft's
// documentation. The order of the methods is the binary interface: it must
// match the documented order exactly.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <oleacc.h>
#include <uiautomationcore.h>

namespace kalmor::uia {

// Identifiers.
constexpr PROPERTYID kControlTypeProperty = 30003;
constexpr PROPERTYID kNameProperty = 30005;
constexpr PROPERTYID kHasKeyboardFocusProperty = 30008;
constexpr PROPERTYID kIsKeyboardFocusableProperty = 30009;
constexpr PROPERTYID kIsEnabledProperty = 30010;
constexpr PROPERTYID kAutomationIdProperty = 30011;
constexpr PROPERTYID kIsPasswordProperty = 30019;
constexpr PATTERNID kValuePattern = 10002;
constexpr PATTERNID kTextPattern = 10014;
constexpr PATTERNID kTextPattern2 = 10024;
constexpr CONTROLTYPEID kDocumentControlType = 50030;
constexpr EVENTID kFocusChangedEvent = 20005;
constexpr EVENTID kTextSelectionChangedEvent = 20014;
constexpr EVENTID kTextChangedEvent = 20015;
constexpr TEXTATTRIBUTEID kBackgroundColorAttribute = 40001;
constexpr TEXTATTRIBUTEID kFontNameAttribute = 40005;
constexpr TEXTATTRIBUTEID kFontSizeAttribute = 40006;
constexpr TEXTATTRIBUTEID kForegroundColorAttribute = 40008;
constexpr TEXTATTRIBUTEID kIsHiddenAttribute = 40013;
constexpr TEXTATTRIBUTEID kIsReadOnlyAttribute = 40015;
constexpr TEXTATTRIBUTEID kAnnotationTypesAttribute = 40031;
constexpr int kAnnotationUnknown = 60000;
constexpr int kAnnotationSpellingError = 60001;
constexpr LONG kRootObjectId = -25;
constexpr HRESULT kElementNotAvailable = static_cast<HRESULT>(0x80040201);
constexpr HRESULT kInvalidOperation = static_cast<HRESULT>(0x80131509);
constexpr HRESULT kElementNotEnabled = static_cast<HRESULT>(0x80040200); // read-only

enum TextPatternRangeEndpoint {
    TextPatternRangeEndpoint_Start = 0,
    TextPatternRangeEndpoint_End = 1
};
enum SupportedTextSelection {
    SupportedTextSelection_None = 0,
    SupportedTextSelection_Single = 1,
    SupportedTextSelection_Multiple = 2
};
// The documented TextUnit values, as the core's TextUnit numbers them.
using TextUnit = int;

struct UiaPoint {
    double x;
    double y;
};

struct ITextRangeProvider;

// {5347ad7b-c355-46f8-aff5-909033582f63}
struct ITextRangeProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Clone(ITextRangeProvider** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Compare(ITextRangeProvider* range, BOOL* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareEndpoints(TextPatternRangeEndpoint endpoint,
                                                       ITextRangeProvider* targetRange,
                                                       TextPatternRangeEndpoint targetEndpoint,
                                                       int* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExpandToEnclosingUnit(TextUnit unit) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAttribute(TEXTATTRIBUTEID attributeId, VARIANT val,
                                                    BOOL backward,
                                                    ITextRangeProvider** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindText(BSTR text, BOOL backward, BOOL ignoreCase,
                                               ITextRangeProvider** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAttributeValue(TEXTATTRIBUTEID attributeId,
                                                        VARIANT* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBoundingRectangles(SAFEARRAY** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEnclosingElement(IRawElementProviderSimple** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetText(int maxLength, BSTR* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE Move(TextUnit unit, int count, int* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveEndpointByUnit(TextPatternRangeEndpoint endpoint,
                                                         TextUnit unit, int count,
                                                         int* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    MoveEndpointByRange(TextPatternRangeEndpoint endpoint, ITextRangeProvider* targetRange,
                        TextPatternRangeEndpoint targetEndpoint) = 0;
    virtual HRESULT STDMETHODCALLTYPE Select() = 0;
    virtual HRESULT STDMETHODCALLTYPE AddToSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE RemoveFromSelection() = 0;
    virtual HRESULT STDMETHODCALLTYPE ScrollIntoView(BOOL alignToTop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetChildren(SAFEARRAY** pRetVal) = 0;
};

// {3589c92c-63f3-4367-99bb-ada653b77cf2}
struct ITextProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVisibleRanges(SAFEARRAY** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromChild(IRawElementProviderSimple* childElement,
                                                     ITextRangeProvider** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE RangeFromPoint(UiaPoint point,
                                                     ITextRangeProvider** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_DocumentRange(ITextRangeProvider** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    get_SupportedTextSelection(SupportedTextSelection* pRetVal) = 0;
};

// {0dc5e6ed-3e16-4bf1-8f9a-a979878bc195}
struct ITextProvider2 : ITextProvider {
    virtual HRESULT STDMETHODCALLTYPE RangeFromAnnotation(
        IRawElementProviderSimple* annotationElement, ITextRangeProvider** pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCaretRange(BOOL* isActive,
                                                    ITextRangeProvider** pRetVal) = 0;
};

// {c7935180-6fb3-4201-b174-7df73adbf64a}
struct IValueProvider : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR val) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Value(BSTR* pRetVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_IsReadOnly(BOOL* pRetVal) = 0;
};

constexpr IID kITextRangeProvider = {
    0x5347ad7b, 0xc355, 0x46f8, {0xaf, 0xf5, 0x90, 0x90, 0x33, 0x58, 0x2f, 0x63}};
constexpr IID kITextProvider = {
    0x3589c92c, 0x63f3, 0x4367, {0x99, 0xbb, 0xad, 0xa6, 0x53, 0xb7, 0x7c, 0xf2}};
constexpr IID kITextProvider2 = {
    0x0dc5e6ed, 0x3e16, 0x4bf1, {0x8f, 0x9a, 0xa9, 0x79, 0x87, 0x8b, 0xc1, 0x95}};
constexpr IID kIValueProvider = {
    0xc7935180, 0x6fb3, 0x4201, {0xb1, 0x74, 0x7d, 0xf7, 0x3a, 0xdb, 0xf6, 0x4a}};
constexpr IID kIRawElementProviderSimple = {
    0xd6dd68d1, 0x86fd, 0x4332, {0x86, 0x66, 0x9a, 0xbe, 0xde, 0xa2, 0xd2, 0x4c}};
constexpr IID kIAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr IID kIDispatch = {
    0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIUnknown = {
    0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

} // namespace kalmor::uia
