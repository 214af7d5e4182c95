#pragma once

#include "Bramblet/Workspace/DialogPresenter.h"

#include <QList>

namespace bramblet::testing {

// Records every alert and lets the test answer it.
class FakeDialogs : public DialogPresenter {
public:
    struct Presented {
        QWidget* window;
        DialogRequest request;
        Completion completion;
    };

    void present(QWidget* window, const DialogRequest& request, Completion completion) override
    {
        presented.append({ window, request, std::move(completion) });
    }

    DialogAnswer run(QWidget* window, const DialogRequest& request) override
    {
        presented.append({ window, request, {} });
        return runAnswer;
    }

    void chooseFolder(QWidget* window, const QString& startFolder, FolderCompletion completion) override
    {
        folderChoosers.append({ window, startFolder, std::move(completion) });
    }

    void chooseFiles(QWidget* window, FilesCompletion completion) override
    {
        fileChoosers.append({ window, std::move(completion) });
    }

    // Answers the last file chooser: the chosen files, none for Cancel.
    void chooseFilesAnswer(const QStringList& files)
    {
        auto completion = fileChoosers.last().completion;
        if (completion)
            completion(files);
    }

    // Answers the last folder chooser: a folder, or nothing for Cancel.
    void chooseFolderAnswer(const std::optional<QString>& folder)
    {
        auto completion = folderChoosers.last().completion;
        if (completion)
            completion(folder);
    }

    // Answers the last window-modal alert.
    void answer(int button, const QString& text = {}, int selectedIndex = 0, const QString& secondText = {})
    {
        answer({ button, text, selectedIndex, secondText, {} });
    }

    void answer(const DialogAnswer& answer)
    {
        auto completion = presented.last().completion;
        if (completion)
            completion(answer);
    }

    struct FolderChooser {
        QWidget* window;
        QString startFolder;
        FolderCompletion completion;
    };

    QList<Presented> presented;
    QList<FolderChooser> folderChoosers;
    struct FileChooser {
        QWidget* window;
        FilesCompletion completion;
    };
    QList<FileChooser> fileChoosers;
    DialogAnswer runAnswer;
};

} // namespace bramblet::testing
