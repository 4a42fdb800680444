#pragma once
// Before the main window, when the game is installed in more than one Wine
// prefix: the player chooses one. The last choice is offered first next time.
#include "platform/prefixSearch.h"

#include <QDialog>
#include <vector>

class QListWidget;

namespace ovcache {

class PrefixChooser : public QDialog {
    Q_OBJECT
public:
    // The prefixes in the order found, the last one chosen (if among them) first.
    explicit PrefixChooser(std::vector<GamePrefix> prefixes, QWidget* parent = nullptr);

    // The one chosen, after exec() returned Accepted; remembered for next time.
    const GamePrefix& Chosen() const;
    void Remember() const;

    // Where the last choice is kept (the desktop's usual place for settings).
    static QString LastChosen();

private:
    QListWidget* list = nullptr;
    std::vector<GamePrefix> prefixes_;
};

} // namespace ovcache
