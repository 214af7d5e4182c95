#pragma once

#include <QString>
#include <QtGlobal>

#include <algorithm>
#include <string>
#include <vector>

namespace zentrova {

// Collects the messages logged while it lives.
class LogCapture {
public:
    LogCapture()
    {
        messages().clear();
        m_previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
            messages().push_back(message.toStdString());
        });
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }

    static std::vector<std::string>& messages()
    {
        static std::vector<std::string> captured;
        return captured;
    }
    static int count(const std::string& text)
    {
        return int(std::count(messages().begin(), messages().end(), text));
    }

private:
    QtMessageHandler m_previous;
};

} // namespace zentrova
