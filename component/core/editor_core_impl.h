// The editor core's state, shared by its modules.
#pragma once
#include "component/core/basic_lexer.h"
#include "component/core/document.h"
#include "component/core/editor_core.h"
#include "component/core/fold_state.h"

#include <array>
#include <map>
#include <string>

namespace kalmor {

constexpr int kKeywordSetCount = 9;

struct EditorCore::Impl {
    Impl();

    bool LexingBasic() const;
    bool FoldingEnabled() const;
    BasicLineKind KindOf(int line) const;
    void Relex(int firstLine, int lastLine);
    void RelexAll();
    void ExpandFoldsHolding(int firstLine, int lastLine);
    void Replace(int start, int deleteLength, const char* text, int insertLength);
    void SetCaret(int pos);
    void GotoLine(int line);

    Document doc;
    FoldState folds;
    int caret = 0;
    int firstVisibleLine = 0;
    std::array<Style, kStyleCount> styles;
    std::array<Margin, kMarginCount> margins;
    std::map<std::string, std::string> properties;
    std::array<KeywordList, kKeywordSetCount> keywords;
    int lexer = 0;
    unsigned textVersion = 0;
};

} // namespace kalmor
