#include "app/Dialogs.h"

#include <QStringList>

namespace qv::app {

QString ToQString(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QMessageBox* NewMessageBox(std::string_view text, std::string_view title, MsgButtons buttons,
                           MsgIcon icon) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
        case MsgIcon::Error: qicon = QMessageBox::Critical; break;
        case MsgIcon::Warning: qicon = QMessageBox::Warning; break;
        case MsgIcon::Information: qicon = QMessageBox::Information; break;
        case MsgIcon::None: break;
    }
    const auto qbuttons = buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                       : QMessageBox::StandardButtons(QMessageBox::Ok);
    auto* box = new QMessageBox(qicon, ToQString(title), ToQString(text), qbuttons, nullptr);
    box->setTextFormat(Qt::PlainText);
    // As on the system box, the first button is the default one.
    box->setDefaultButton(buttons == MsgButtons::YesNo ? QMessageBox::Yes : QMessageBox::Ok);
    return box;
}

MsgResult ToMsgResult(int standardButton) {
    switch (standardButton) {
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        default: return MsgResult::Ok;
    }
}

void ShowErrorBox(std::string_view message) {
    QMessageBox* box = NewMessageBox(ErrorBoxText(message), kAppTitle, MsgButtons::Ok, MsgIcon::Error);
    box->exec();
    delete box;
}

QString QtFileFilter(std::string_view filter) {
    const QStringList parts = ToQString(filter).split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns) p = p.trimmed();
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(u' '));
    }
    // A lone description without pattern is taken as its own pattern.
    if (parts.size() % 2 == 1 && !parts.back().isEmpty())
        entries << QStringLiteral("%1 (%1)").arg(parts.back());
    return entries.join(QStringLiteral(";;"));
}

}  // namespace qv::app
