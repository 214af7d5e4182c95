#include "BrambletCore/Remote/S3Error.h"

#include "BrambletCore/Remote/ServerText.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace bramblet {

namespace {

// "Code: Message" of an S3 error document (<Error><Code>…</Code><Message>…</Message></Error>),
// or nothing when the body is not one. A document cut short still gives what came before the cut.
QString errorDocumentText(const QString& body)
{
    QXmlStreamReader reader(body);
    reader.setNamespaceProcessing(false);
    if (!reader.readNextStartElement() || reader.qualifiedName() != u"Error")
        return {};
    QString code;
    QString message;
    while (reader.readNextStartElement()) {
        if (reader.qualifiedName() == u"Code")
            code = reader.readElementText(QXmlStreamReader::SkipChildElements);
        else if (reader.qualifiedName() == u"Message")
            message = reader.readElementText(QXmlStreamReader::SkipChildElements);
        else
            reader.skipCurrentElement();
    }
    code = ServerText::shown(code, 100);
    message = ServerText::shown(message);
    if (code.isEmpty() || message.isEmpty())
        return code + message;
    return code + QStringLiteral(": ") + message;
}

} // namespace

S3Error::S3Error(Kind kind, int status, const QString& description)
    : std::runtime_error(description.toStdString())
    , m_kind(kind)
    , m_status(status)
{
}

S3Error S3Error::badResponse(int status, const QString& text)
{
    return S3Error(Kind::badResponse, status, QStringLiteral("S3 request failed (%1): %2").arg(status).arg(text));
}

S3Error S3Error::transport(const QString& description)
{
    return S3Error(Kind::transport, -1, description);
}

S3Error S3Error::timedOut()
{
    return S3Error(Kind::timedOut, -1, QStringLiteral("The server did not answer in time."));
}

S3Error S3Error::tooSlow()
{
    return S3Error(Kind::timedOut, -1, QStringLiteral("The transfer became too slow and was stopped."));
}

S3Error S3Error::invalidAnswer(const QString& description)
{
    return S3Error(Kind::invalidAnswer, -1, description);
}

S3Error S3Error::localFile(const QString& description)
{
    return S3Error(Kind::localFile, -1, description);
}

QString S3Error::answerText(const QByteArray& body)
{
    // Stateful, so that a character cut in two by the end of what was read is no error.
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(body);
    if (decoder.hasError())
        return QStringLiteral("unknown error");
    QString shown = errorDocumentText(text);
    if (shown.isEmpty()) {
        // A page of a proxy or a portal reads better without its tags.
        static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
        shown = ServerText::shown(text.trimmed().startsWith(u'<') ? QString(text).replace(tag, QStringLiteral(" ")) : text);
    }
    return shown;
}

QString S3Error::errorDescription() const
{
    return QString::fromUtf8(what());
}

} // namespace bramblet
