#include "qt/cacheListModel.h"

#include "catalogue/listOrder.h"
#include "qt/textCodec.h"

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
    AddInListOrder(rows_, std::move(entries));
    endResetModel();
}

} // namespace ovcache
