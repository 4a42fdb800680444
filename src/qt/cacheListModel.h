#pragma once
// The cached maps for the list: each entry held once, in UTF-8, sorted without
// regard to case; the text a row shows is made only when the row is drawn.
#include "catalogue/listOrder.h"

#include <QAbstractListModel>
#include <string>
#include <vector>

namespace ovcache {

class CacheListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void Clear();
    // Takes these entries in beside the ones there, all in sorted order.
    void Add(const ListRows& entries);
    // The entry of a row, as the index holds it.
    std::string Entry(int row) const;

private:
    ListRows rows_;
};

} // namespace ovcache
