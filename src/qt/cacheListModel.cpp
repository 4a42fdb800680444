#include "qt/cacheListModel.h"

#include "platform/codePage.h"
#include "qt/textCodec.h"

#include <algorithm>
#include <numeric>

namespace ovcache {

int CacheListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant CacheListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return {};
    return FromUtf8(rows_[static_cast<std::size_t>(index.row())]);
}

void CacheListModel::Clear()
{
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void CacheListModel::Add(std::vector<std::string> entries)
{
    if (entries.empty())
        return;
    beginResetModel();
    rows_.insert(rows_.end(), std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
    // Sorted by the names folded as Windows folds them, equal ones in the
    // order they came; each name is folded once.
    std::vector<std::string> keys;
    keys.reserve(rows_.size());
    for (const std::string& row : rows_)
        keys.push_back(FoldCase(row));
    std::vector<std::size_t> order(rows_.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<std::string> sorted;
    sorted.reserve(rows_.size());
    for (const std::size_t k : order)
        sorted.push_back(std::move(rows_[k]));
    rows_ = std::move(sorted);
    endResetModel();
}

} // namespace ovcache
