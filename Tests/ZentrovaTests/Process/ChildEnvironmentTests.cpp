#include "Zentrova/Process/ChildEnvironment.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <map>

namespace zentrova {
namespace {

// Sets the identity variables for one case and puts the process environment back afterwards.
class IdentityVariables {
public:
    explicit IdentityVariables(const std::map<std::string, std::string>& values)
    {
        for (const char* name : names) {
            if (const char* value = std::getenv(name))
                m_saved[name] = value;
            unsetenv(name);
        }
        for (const auto& [name, value] : values)
            setenv(name.c_str(), value.c_str(), 1);
    }
    ~IdentityVariables()
    {
        for (const char* name : names) {
            const auto saved = m_saved.find(name);
            if (saved == m_saved.end())
                unsetenv(name);
            else
                setenv(name, saved->second.c_str(), 1);
        }
    }

private:
    // LC_TYPE is no locale variable; it is saved too so a case can check it is left out.
    static constexpr const char* names[] = { "LOGNAME", "USER", "DISPLAY", "LC_CTYPE", "LC_TYPE", "HOME" };
    std::map<std::string, std::string> m_saved;
};

TEST(ChildEnvironment, NamesTheTerminalAndPassesOnSetIdentityVariablesInOrder)
{
    struct Case {
        const char* name;
        std::optional<std::string> termName;
        bool trueColor;
        std::map<std::string, std::string> identity;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "bare", std::nullopt, false, {}, { "TERM=xterm-256color", "LANG=" } },
        { "named terminal with true colour", "xterm", true, { { "HOME", "/home/u" }, { "USER", "u" } },
          { "TERM=xterm", "COLORTERM=truecolor", "LANG=", "USER=u", "HOME=/home/u" } },
        { "every identity variable",
          std::nullopt,
          false,
          { { "HOME", "/h" }, { "LC_CTYPE", "C" }, { "DISPLAY", ":1" }, { "USER", "u" }, { "LOGNAME", "l" } },
          { "TERM=xterm-256color", "LANG=", "LOGNAME=l", "USER=u", "DISPLAY=:1", "LC_CTYPE=C", "HOME=/h" } },
        { "a name that is no locale variable", std::nullopt, false, { { "LC_TYPE", "C" } },
          { "TERM=xterm-256color", "LANG=" } },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        IdentityVariables identity(test.identity);
        // "LANG=" stands for the UTF-8 locale, which depends on the system (the child test shows it is real).
        std::vector<testing::Matcher<std::string>> expected;
        for (const std::string& entry : test.expected) {
            if (entry == "LANG=")
                expected.push_back(testing::AnyOf("LANG=en_US.UTF-8", "LANG=C.UTF-8"));
            else
                expected.push_back(entry);
        }
        EXPECT_THAT(getEnvironmentVariables(test.termName, test.trueColor), testing::ElementsAreArray(expected));
    }
}

} // namespace
} // namespace zentrova
