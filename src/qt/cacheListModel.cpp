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

void CacheListModel::Add(const ListRows& entries)
{
    if (entries.empty())
        return;
    beginResetModel();
    AddInListOrder(rows_, entries);
    endResetModel();
}

std::string CacheListModel::Entry(int row) const
{
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size())
        throw std::out_of_range("No such row in the list");
    return std::string(rows_[static_cast<std::size_t>(row)]);
}

} // namespace ovcache
