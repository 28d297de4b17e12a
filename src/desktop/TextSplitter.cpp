#include "desktop/TextSplitter.h"

void TTextSplitter::BreakApart() {
    StringList.clear();
    std::string rest = BaseString;
    for (;;) {
        auto pos = BreakString.empty() ? std::string::npos : rest.find(BreakString);
        std::string piece = pos == std::string::npos ? rest : rest.substr(0, pos);
        if (!piece.empty() || AllowEmptyString) StringList.push_back(piece);
        if (pos == std::string::npos) break;
        rest = rest.substr(pos + BreakString.size());
    }
}
