#pragma once

#include "BrambletCore/Files/FileService.h"

#include <QPromise>

#include <memory>

namespace bramblet::testing {

// A file service that answers only when the test says so, in any order, so late and stale
// answers can be staged. Every list() and search() call is recorded with its promise.
class FakeFileService : public FileService {
public:
    struct Call {
        std::filesystem::path folder;
        QString query;
        bool showHidden = false;
        std::shared_ptr<QPromise<QList<FileItem>>> promise;

        bool isCanceled() const { return promise->isCanceled(); }
        void answer(const QList<FileItem>& items) const
        {
            promise->addResult(items);
            promise->finish();
        }
        void fail(const std::exception_ptr& error) const
        {
            promise->setException(error);
            promise->finish();
        }
    };

    QFuture<QList<FileItem>> list(const std::filesystem::path& folder) override
    {
        return record(listCalls, { folder, {}, false, nullptr });
    }

    QFuture<QList<FileItem>> search(const std::filesystem::path& root, const QString& query, bool showHidden) override
    {
        return record(searchCalls, { root, query, showHidden, nullptr });
    }

    QList<Call> listCalls;
    QList<Call> searchCalls;

private:
    static QFuture<QList<FileItem>> record(QList<Call>& calls, Call call)
    {
        call.promise = std::make_shared<QPromise<QList<FileItem>>>();
        call.promise->start();
        calls.append(call);
        return call.promise->future();
    }
};

} // namespace bramblet::testing
