#include "Bramblet/Workspace/WorkspaceController.h"

#include "Bramblet/Workspace/DialogPresenter.h"
#include "Bramblet/Workspace/WorkspaceWindow.h"
#include "BrambletCore/Files/FileService.h"

namespace bramblet {

namespace {

// Typed in full, this prompt takes a path rather than a file name.
const QString goToFolderTitle = QStringLiteral("Go to Folder");
const QString cancelTitle = QStringLiteral("Cancel");

} // namespace

void WorkspaceController::showError(const QString& message)
{
    if (!m_window)
        return;
    DialogRequest request;
    request.message = QStringLiteral("Bramblet couldn\u2019t complete that action");
    request.informativeText = message;
    request.buttons = { QStringLiteral("OK") };
    m_dialogs.present(m_window, request, {});
}

void WorkspaceController::askText(const QString& title, const QString& prompt, const QString& initial,
                                  std::function<void(const QString&)> completion)
{
    if (!m_window)
        return;
    DialogRequest request;
    request.message = title;
    request.informativeText = prompt;
    request.buttons = { QStringLiteral("Continue"), cancelTitle };
    request.accessory = DialogRequest::Accessory::textField;
    request.text = initial;
    request.accessoryName = title;
    request.accessoryToolTip = prompt;
    QPointer<WorkspaceController> self(this);
    m_dialogs.present(m_window, request, [self, title, completion = std::move(completion)](const DialogAnswer& answer) {
        if (!self || answer.button != 0)
            return;
        if (title != goToFolderTitle) {
            try {
                FileService::validateName(answer.text);
            } catch (const std::exception& failure) {
                self->showError(QString::fromUtf8(failure.what()));
                return;
            }
        }
        if (completion)
            completion(answer.text);
    });
}

void WorkspaceController::presentPicker(const QString& title, const QStringList& items, const QString& actionTitle,
                                        const std::optional<QString>& secondaryTitle,
                                        std::function<void(int index, bool secondary)> completion)
{
    if (!m_window || items.isEmpty())
        return;
    DialogRequest request;
    request.message = title;
    request.buttons = { actionTitle };
    if (secondaryTitle)
        request.buttons.append(*secondaryTitle);
    request.buttons.append(cancelTitle);
    request.accessory = DialogRequest::Accessory::popUp;
    request.items = items;
    request.accessoryToolTip = title;
    const bool hasSecondary = secondaryTitle.has_value();
    m_dialogs.present(m_window, request, [hasSecondary, completion = std::move(completion)](const DialogAnswer& answer) {
        if (!completion)
            return;
        if (answer.button == 0)
            completion(answer.selectedIndex, false);
        else if (hasSecondary && answer.button == 1)
            completion(answer.selectedIndex, true);
    });
}

} // namespace bramblet
