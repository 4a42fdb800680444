#include "qt/prefixChooser.h"

#include "forms/boxes.h"
#include "qt/settings.h"
#include "qt/textCodec.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QVBoxLayout>
#include <algorithm>

namespace ovcache {
namespace {
constexpr const char* kLastPrefix = "lastPrefix";
}

QString PrefixChooser::LastChosen()
{
    return SettingsReadable() ? QSettings().value(kLastPrefix).toString() : QString();
}

PrefixChooser::PrefixChooser(std::vector<GamePrefix> prefixes, QWidget* parent)
    : QDialog(parent), prefixes_(std::move(prefixes))
{
    setObjectName("PrefixChooser");
    setWindowTitle(kProgramTitle);
    const QString last = LastChosen();
    std::stable_partition(prefixes_.begin(), prefixes_.end(),
                          [&](const GamePrefix& p) { return QString::fromStdString(p.prefix.string()) == last; });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QString::fromUtf8(T("Orvane is installed in more than one Wine prefix. Choose the one to work on:")), this));
    list = new QListWidget(this);
    list->setObjectName("lstPrefixes");
    list->setAccessibleName(QString::fromUtf8(T("Wine prefixes")));
    for (const GamePrefix& p : prefixes_)
        list->addItem(QString::fromStdString(p.gameFolder) + "\n    " + QString::fromStdString(p.prefix.string()) +
                      "  (" + QString::fromStdString(p.source) + ")");
    list->setCurrentRow(0);
    list->setMinimumWidth(list->sizeHintForColumn(0) + 40);
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list, &QListWidget::itemActivated, this, &QDialog::accept);
    list->setFocus();
}

const GamePrefix& PrefixChooser::Chosen() const
{
    return prefixes_.at(static_cast<std::size_t>(std::max(list->currentRow(), 0)));
}

void PrefixChooser::Remember() const
{
    if (SettingsReadable())
        QSettings().setValue(kLastPrefix, QString::fromStdString(Chosen().prefix.string()));
}

} // namespace ovcache
