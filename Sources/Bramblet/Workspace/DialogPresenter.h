#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace bramblet {

// One alert as the workspace asks it: texts, buttons, and at most one accessory control.
// One field of a form accessory; the placeholder also names it to accessibility.
struct DialogField {
    QString placeholder;
    // Typed characters are hidden (a password or a secret key).
    bool secure = false;

    bool operator==(const DialogField&) const = default;
};

struct DialogRequest {
    enum class Accessory { none, textField, popUp, twoTextFields, form };

    QString message;
    QString informativeText;
    // In order; the first is the default button.
    QStringList buttons;
    Accessory accessory = Accessory::none;
    QString text;      // the text field's initial text
    QStringList items; // the pop-up's entries; the first is preselected
    QString accessoryName;
    QString accessoryToolTip;
    QString placeholder;
    // The second text field of twoTextFields, below the first.
    QString secondName;
    QString secondToolTip;
    QString secondPlaceholder;
    // The empty text fields of a form, top to bottom.
    QList<DialogField> fields = {};

    bool operator==(const DialogRequest&) const = default;
};

// How the user left an alert.
struct DialogAnswer {
    int button = -1;       // index into DialogRequest::buttons; -1 when dismissed without a button
    QString text;          // the text field's text
    int selectedIndex = 0; // the pop-up's selected entry
    QString secondText;    // the second text field's text
    QStringList texts = {}; // a form's texts, in field order (defaulted, so shorter brace
                            // lists stay complete)
};

// Shows the workspace's alerts. The application shows real dialogs; tests answer them. Main
// thread only.
class DialogPresenter {
public:
    using Completion = std::function<void(const DialogAnswer&)>;

    virtual ~DialogPresenter() = default;

    // Attached to `window` and modal to it only; returns at once and calls `completion` once the
    // user answered (never when the alert was torn down unanswered).
    virtual void present(QWidget* window, const DialogRequest& request, Completion completion) = 0;

    // Modal to the whole application; returns the answer.
    virtual DialogAnswer run(QWidget* window, const DialogRequest& request) = 0;

    // The folder chooser, attached to `window` and modal to it only: folders alone, one of them,
    // starting in `startFolder`. Returns at once; `completion` gets the chosen folder's path, or
    // nothing when the user cancelled.
    using FolderCompletion = std::function<void(const std::optional<QString>& folder)>;
    virtual void chooseFolder(QWidget* window, const QString& startFolder, FolderCompletion completion) = 0;

    // The file chooser, attached to `window` and modal to it only: files alone, any number of
    // them. Returns at once; `completion` gets the chosen files' paths in the chooser's order,
    // none when the user cancelled.
    using FilesCompletion = std::function<void(const QStringList& files)>;
    virtual void chooseFiles(QWidget* window, FilesCompletion completion) = 0;
};

} // namespace bramblet
