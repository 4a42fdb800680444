#include "qt/messageBox.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace ovcache {

std::deque<MsgAnswer> MessageBox::answers_;
std::vector<MessageBox::Shown> MessageBox::seen_;
bool MessageBox::answering_ = false;

MsgAnswer MessageBox::Show(QWidget* parent, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons,
                           const QString& details)
{
    if (answering_) {
        seen_.push_back({text, title, details, icon, buttons});
        if (answers_.empty())
            return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::No;
        const MsgAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    QMessageBox box(icon == MsgIcon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title, text,
                    QMessageBox::NoButton, parent);
    // Wide enough for the title bar to show the whole title.
    QFont titleFont = box.font();
    titleFont.setBold(true);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int width = QFontMetrics(titleFont).horizontalAdvance(title) * 3 / 2 + 100;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    }
    // The whole list scrolls in its own field, where it can be copied.
    if (!details.isEmpty())
        box.setDetailedText(details);
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Ok:
        return MsgAnswer::OK;
    default:
        return buttons == MsgButtons::OK ? MsgAnswer::OK : MsgAnswer::No; // closed with Esc or the close box
    }
}

void MessageBox::SetNextAnswers(std::deque<MsgAnswer> answers)
{
    answering_ = true;
    answers_ = std::move(answers);
}

const std::vector<MessageBox::Shown>& MessageBox::Seen()
{
    return seen_;
}

void MessageBox::Reset()
{
    answering_ = false;
    answers_.clear();
    seen_.clear();
}

} // namespace ovcache
