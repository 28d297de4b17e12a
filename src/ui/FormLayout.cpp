#include "ui/FormLayout.h"

#include <algorithm>

std::vector<std::string> StoredProps(const TFormLayout& layout) {
    std::vector<std::pair<int, std::string>> entries;
    for (const TControlRow& row : layout)
        for (const TStoredProp& stored : row.Stored())
            entries.emplace_back(stored.order, row.Component().Name() + "." + stored.property);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> props;
    props.reserve(entries.size());
    for (auto& entry : entries) props.push_back(std::move(entry.second));
    return props;
}
