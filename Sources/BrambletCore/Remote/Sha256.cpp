#include "BrambletCore/Remote/Sha256.h"

#include <openssl/evp.h>

#include <new>

namespace bramblet {

void Sha256::ContextDeleter::operator()(evp_md_ctx_st* context) const
{
    EVP_MD_CTX_free(context);
}

Sha256::Sha256()
    : m_context(EVP_MD_CTX_new())
{
    // Only allocation can fail here, and the program cannot go on without memory anyway.
    if (!m_context || EVP_DigestInit_ex(m_context.get(), EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
}

Sha256::~Sha256() = default;

void Sha256::update(QByteArrayView bytes)
{
    EVP_DigestUpdate(m_context.get(), bytes.data(), size_t(bytes.size()));
}

QByteArray Sha256::hexDigest()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_context.get(), digest, &length);
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

QByteArray Sha256::hexDigest(QByteArrayView bytes)
{
    Sha256 hash;
    hash.update(bytes);
    return hash.hexDigest();
}

} // namespace bramblet
