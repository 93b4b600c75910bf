// Message boxes, file dialogs and the text question on a display.
#include "mw31/qt/qt_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

#include "mw31/qt/qt_text.h"
#include "mw31/recent_films.h"

namespace mw31 {

std::string qt_name_filters(const std::string& filter) {
    const std::vector<std::string> parts = split_filter(filter);
    QStringList filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : to_qstring(parts[i + 1]).split(u';', Qt::SkipEmptyParts)) {
            const QString pattern = p.trimmed();
            if (pattern.isEmpty()) continue;
            patterns << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        }
        if (patterns.isEmpty()) continue;
        // Qt reads the patterns from the last parentheses, so those in a description go.
        QString desc = to_qstring(parts[i]).trimmed();
        desc.replace(u'(', u'[').replace(u')', u']');
        filters << desc + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return from_qstring(filters.join(QStringLiteral(";;")));
}

BoxAnswer qt_message_box(const std::string& title, const std::string& text, BoxButtons buttons,
                         BoxIcon icon) {
    QMessageBox::Icon q = QMessageBox::NoIcon;
    switch (icon) {
        case BoxIcon::None:
            q = QMessageBox::NoIcon;
            break;
        case BoxIcon::Stop:
            q = QMessageBox::Critical;
            break;
        case BoxIcon::Information:
            q = QMessageBox::Information;
            break;
        case BoxIcon::Question:
            q = QMessageBox::Question;
            break;
    }
    const bool yes_no = buttons == BoxButtons::YesNo;
    QMessageBox box(q, to_qstring(title), to_qstring(text),
                    yes_no ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    const int result = box.exec();
    if (!yes_no) return BoxAnswer::Ok;
    return result == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

std::vector<std::string> qt_open_file_dialog(const OpenFileRequest& request) {
    QFileDialog dialog(nullptr, to_qstring(request.title), path_to_qstring(request.directory),
                       to_qstring(qt_name_filters(request.filter)));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    const std::vector<std::string> recent = recent_folders(request.recent);
    if (!recent.empty()) {
        // The folders of recent films: in the "look in" history and beside the places.
        QStringList history;
        QList<QUrl> places = dialog.sidebarUrls();
        for (const std::string& folder : recent) {
            const QString f = path_to_qstring(folder);
            history << f;
            const QUrl url = QUrl::fromLocalFile(f);
            if (!places.contains(url)) places << url;
        }
        dialog.setHistory(history);
        dialog.setSidebarUrls(places);
    }
    std::vector<std::string> files;
    if (dialog.exec() != QDialog::Accepted) return files;
    for (const QString& f : dialog.selectedFiles()) files.push_back(path_from_qstring(f));
    return files;
}

std::string qt_save_file_dialog(const SaveFileRequest& request) {
    const QFileDialog::Options options =
        request.overwrite_prompt ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
    const QString name = QFileDialog::getSaveFileName(
        nullptr, to_qstring(request.title), path_to_qstring(request.directory),
        to_qstring(qt_name_filters(request.filter)), nullptr, options);
    return name.isEmpty() ? std::string() : path_from_qstring(name);
}

bool qt_ask_text(const std::string& title, const std::string& prompt, std::string* text) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(nullptr, to_qstring(title), to_qstring(prompt), QLineEdit::Normal,
                              text ? to_qstring(*text) : QString(), &ok);
    if (!ok) return false;
    if (text) *text = from_qstring(answer);
    return true;
}

bool qt_ask_text_request(const TextRequest& request, std::string* text) {
    QInputDialog dialog;
    dialog.setWindowTitle(to_qstring(request.title));
    dialog.setLabelText(to_qstring(request.prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(to_qstring(*text));
    dialog.setOkButtonText(to_qstring(request.ok_text));
    dialog.setCancelButtonText(to_qstring(request.cancel_text));
    if (dialog.exec() != QDialog::Accepted) return false;
    *text = from_qstring(dialog.textValue());
    return true;
}

bool qt_choose_item(const std::string& title, const std::string& prompt,
                    const std::vector<std::string>& items, int* chosen) {
    QStringList list;
    for (const std::string& item : items) list << to_qstring(item);
    bool ok = false;
    const QString answer = QInputDialog::getItem(nullptr, to_qstring(title), to_qstring(prompt),
                                                 list, *chosen, false, &ok);
    if (!ok) return false;
    const qsizetype index = list.indexOf(answer);
    if (index >= 0) *chosen = int(index);
    return true;
}

}  // namespace mw31
