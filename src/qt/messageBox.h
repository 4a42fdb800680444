#pragma once
// Every message box of the program goes through here, so that tests can
// answer boxes instead of waiting on them.
#include "forms/boxes.h"

#include <QString>
#include <QWidget>
#include <deque>
#include <vector>

namespace ovcache {

class MessageBox {
public:
    struct Shown {
        QString text, title, details;
        MsgIcon icon;
        MsgButtons buttons;
    };

    // Modal; returns MsgAnswer::Yes, MsgAnswer::No or MsgAnswer::OK.
    static MsgAnswer Show(QWidget* parent, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons,
                          const QString& details = {});

    // For tests: the next boxes are not shown but answered with these.
    static void SetNextAnswers(std::deque<MsgAnswer> answers);
    static const std::vector<Shown>& Seen();
    static void Reset();

private:
    static std::deque<MsgAnswer> answers_;
    static std::vector<Shown> seen_;
    static bool answering_;
};

} // namespace ovcache
