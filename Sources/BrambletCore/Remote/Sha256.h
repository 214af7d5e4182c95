#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

struct evp_md_ctx_st;

namespace bramblet {

// SHA-256 fed in pieces, so a file of any size is hashed in one pass through a fixed buffer.
class Sha256 {
public:
    Sha256();
    ~Sha256();

    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(QByteArrayView bytes);
    // 64 lower-case hexadecimal digits. Ends the hash: no update may follow.
    QByteArray hexDigest();

    static QByteArray hexDigest(QByteArrayView bytes);

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> m_context;
};

} // namespace bramblet
