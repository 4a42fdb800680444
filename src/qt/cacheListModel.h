#pragma once
// The cached maps for the list: each entry held once, in UTF-8, sorted without
// regard to case; the text a row shows is made only when the row is drawn.
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
    void Add(std::vector<std::string> entries);
    // The entry of a row, as the index holds it.
    const std::string& Entry(int row) const { return rows_.at(static_cast<std::size_t>(row)); }

private:
    std::vector<std::string> rows_;
};

} // namespace ovcache
