// The host's indicators: values over ranges of text, drawn in a style of
// their own. The host picks the current indicator and value, then fills or
// clears ranges; each change is told (SC_MOD_CHANGEINDICATOR) and repainted.
#include "component/core/editor_core.h"
#include "component/core/editor_core_impl.h"
#include "kalmor.h"

#include <algorithm>

namespace kalmor {

EditorCore::Impl::IndicatorSet::IndicatorSet() {
    styles[0] = IndicatorStyle{INDIC_SQUIGGLE, 0x007F00};
    styles[1] = IndicatorStyle{INDIC_TT, 0xFF0000};
    styles[2] = IndicatorStyle{INDIC_PLAIN, 0x0000FF};
}

const IndicatorStyle& EditorCore::GetIndicatorStyle(int indicator) const {
    return impl_->indicators
        .styles[static_cast<size_t>(std::clamp(indicator, 0, kIndicatorCount - 1))];
}

std::vector<IndicatorRuns::Run> EditorCore::IndicatorRunsIn(int indicator, int start,
                                                            int end) const {
    if (indicator < 0 || indicator >= kIndicatorCount)
        return {};
    return impl_->indicators.runs[static_cast<size_t>(indicator)].RunsIn(start, end);
}

uint32_t EditorCore::IndicatorsAt(int pos) const {
    uint32_t mask = 0;
    for (int n = 0; n < 32; ++n)
        if (impl_->indicators.runs[static_cast<size_t>(n)].ValueAt(pos) != 0)
            mask |= 1u << n;
    return mask;
}

bool EditorCore::AnyIndicator() const {
    for (const IndicatorRuns& runs : impl_->indicators.runs)
        if (!runs.Empty())
            return true;
    return false;
}

// Indicator numbers outside 0..35 change and answer nothing; ranges are
// clamped into the document.
intptr_t EditorCore::DispatchIndicatorRequest(unsigned message, uintptr_t wParam, intptr_t lParam) {
    Impl& core = *impl_;
    Impl::IndicatorSet& set = core.indicators;
    int number = ToInt(wParam);
    bool valid = number >= 0 && number < kIndicatorCount;
    IndicatorStyle* style = valid ? &set.styles[static_cast<size_t>(number)] : nullptr;
    auto restyled = [&] { core.ChangedAll(); };
    // Fills [start, start + length) of the current indicator with value.
    auto fill = [&](int value) {
        int start = std::clamp(ToInt(wParam), 0, Length());
        int end = start + std::clamp(ToInt(lParam), 0, Length() - start);
        IndicatorRuns& runs = set.runs[static_cast<size_t>(set.current)];
        if (!runs.Fill(start, end, value))
            return;
        core.Changed(LineFromPosition(start), LineFromPosition(end));
        if (core.Wants(SC_MOD_CHANGEINDICATOR))
            core.Tell(Modification{SC_MOD_CHANGEINDICATOR | SC_PERFORMED_USER, start, end - start});
    };
    int pos = std::clamp(ToInt(lParam), 0, Length());
    const IndicatorRuns* runs = valid ? &set.runs[static_cast<size_t>(number)] : nullptr;
    switch (message) {
    case SCI_INDICSETSTYLE:
        if (style && lParam >= INDIC_PLAIN && lParam <= INDIC_POINTCHARACTER) {
            style->style = static_cast<int>(lParam);
            restyled();
        }
        return 0;
    case SCI_INDICGETSTYLE: return style ? style->style : 0;
    case SCI_INDICSETFORE:
        if (style) {
            style->fore = static_cast<uint32_t>(lParam) & 0xFFFFFF;
            restyled();
        }
        return 0;
    case SCI_INDICGETFORE: return style ? style->fore : 0;
    case SCI_INDICSETUNDER:
        if (style) {
            style->under = lParam != 0;
            restyled();
        }
        return 0;
    case SCI_INDICGETUNDER: return style && style->under ? 1 : 0;
    case SCI_INDICSETALPHA:
    case SCI_INDICSETOUTLINEALPHA:
        if (style) {
            (message == SCI_INDICSETALPHA ? style->alpha : style->outlineAlpha) =
                std::clamp(ToInt(lParam), 0, 255);
            restyled();
        }
        return 0;
    case SCI_INDICGETALPHA: return style ? style->alpha : 0;
    case SCI_INDICGETOUTLINEALPHA: return style ? style->outlineAlpha : 0;
    case SCI_SETINDICATORCURRENT:
        if (valid)
            set.current = number;
        return 0;
    case SCI_GETINDICATORCURRENT: return set.current;
    case SCI_SETINDICATORVALUE: set.value = ToInt(wParam); return 0;
    case SCI_GETINDICATORVALUE: return set.value;
    case SCI_INDICATORFILLRANGE: fill(set.value); return 0;
    case SCI_INDICATORCLEARRANGE: fill(0); return 0;
    case SCI_INDICATORALLONFOR: return static_cast<int32_t>(IndicatorsAt(ToInt(wParam)));
    case SCI_INDICATORVALUEAT: return runs ? runs->ValueAt(pos) : 0;
    case SCI_INDICATORSTART: return runs ? runs->StretchStart(pos) : 0;
    case SCI_INDICATOREND: return runs ? runs->StretchEnd(pos, Length()) : 0;
    default: return 0;
    }
}

} // namespace kalmor
