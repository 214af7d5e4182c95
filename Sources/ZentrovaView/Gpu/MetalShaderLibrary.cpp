#include "ZentrovaView/Gpu/MetalShaderLibrary.h"

#include "ZentrovaView/Gpu/MetalError.h"

#include <QFile>

// Outside any namespace, as Q_INIT_RESOURCE needs: the shaders live in a static library, whose
// resource initialiser the linker would otherwise leave out.
static void initShaderResources()
{
    Q_INIT_RESOURCE(MetalShaders);
}

namespace zentrova {
namespace {

const QString functionMarker = QStringLiteral("//! ");

} // namespace

std::optional<QString> MetalShaderLibrary::loadShaderSource()
{
    initShaderResources();
    QFile file(QStringLiteral(":/") + QString::fromUtf8(sourceResource.data(), qsizetype(sourceResource.size())));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

MetalShaderLibrary MetalShaderLibrary::make()
{
    const auto source = loadShaderSource();
    if (!source)
        throw MetalError(MetalError::Kind::shaderSourceMissing, std::string(sourceResource));
    return fromSource(*source);
}

MetalShaderLibrary MetalShaderLibrary::fromSource(const QString& source)
{
    MetalShaderLibrary library;
    QString* current = &library.m_shared;
    for (const QString& line : source.split(QLatin1Char('\n'))) {
        if (line.startsWith(functionMarker)) {
            current = &library.m_functions[line.mid(functionMarker.size()).trimmed().toStdString()];
            continue;
        }
        current->append(line).append(QLatin1Char('\n'));
    }
    for (std::string_view name : requiredFunctions) {
        // A section must define its function, not merely be named after it.
        const auto found = library.m_functions.find(name);
        if (found == library.m_functions.end()
            || !found->second.contains(QStringLiteral("void %1()").arg(QLatin1String(name.data(), qsizetype(name.size()))))) {
            std::string names;
            for (std::string_view required : requiredFunctions)
                names.append(names.empty() ? "" : ", ").append(required);
            throw MetalError(MetalError::Kind::shaderFunctionMissing, names);
        }
    }
    return library;
}

QString MetalShaderLibrary::stageSource(std::string_view function) const
{
    const QString name = QString::fromUtf8(function.data(), qsizetype(function.size()));
    const auto found = m_functions.find(function);
    // The shared text first, so that its helpers and uniforms are declared before the function.
    return QStringLiteral("#version 330 core\n") + m_shared + (found == m_functions.end() ? QString() : found->second)
        + QStringLiteral("\nvoid main()\n{\n    %1();\n}\n").arg(name);
}

} // namespace zentrova
