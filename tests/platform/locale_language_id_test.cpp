// Windows language identifiers for POSIX locale names, and the variables the user's is read from.
#include "platform/locale.h"
#include "platform/posix/locale_language_id.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vg::platform::posix {
namespace {

TEST(LocaleLanguageIdTest, MapsLocaleNamesToLanguageIds) {
    const struct {
        const char* name;
        std::uint16_t expected;
    } cases[] = {
        {"ko_KR.UTF-8", 0x0412},
        {"ko_KR.eucKR", 0x0412},
        {"ko", 0x0412},
        {"en_US", 0x0409},
        {"en_US.UTF-8", 0x0409},
        {"en_GB.UTF-8", 0x0809},
        {"en_AU", 0x0C09},
        {"en_CA", 0x1009},
        {"en_ZA", 0x1C09},
        {"en_NG", 0x0409},
        {"de_DE.UTF-8", 0x0407},
        {"de_AT", 0x0C07},
        {"de_CH", 0x0807},
        {"de_BE", 0x0407},
        {"ja_JP.UTF-8", 0x0411},
        {"zh_CN.UTF-8", 0x0804},
        {"zh_TW.UTF-8", 0x0404},
        {"zh_HK", 0x0C04},
        {"zh", 0x0804},
        {"fr_FR", 0x040C},
        {"fr_CA", 0x0C0C},
        {"es_ES", 0x0C0A},
        {"es_MX", 0x080A},
        {"es_419", 0x0C0A},
        {"it_IT", 0x0410},
        {"pt_BR", 0x0416},
        {"pt_PT", 0x0816},
        {"ru_RU.KOI8-R", 0x0419},
        {"nl_NL", 0x0413},
        {"pl_PL", 0x0415},
        {"tr_TR", 0x041F},
        {"sv_SE", 0x041D},
        {"th_TH", 0x041E},
        {"vi_VN", 0x042A},
        {"id_ID", 0x0421},
        {"uk_UA", 0x0422},
        // The modifier and the case of the codes do not change the language.
        {"de_DE@euro", 0x0407},
        {"de_AT.ISO-8859-15@euro", 0x0C07},
        {"EN_gb", 0x0809},
        {"C", 0x0409},
        {"POSIX", 0x0409},
        {"C.UTF-8", 0x0409},
        {"", 0x0409},
        {"xx_YY", 0x0409},
        {"_KR", 0x0409},
        {".UTF-8", 0x0409},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LanguageIdFromLocaleName(c.name), c.expected) << c.name;
    }
}

// Sets or unsets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        if (value == nullptr) {
            ::unsetenv(name);
        } else {
            ::setenv(name, value, 1);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(UserDefaultLangIdTest, ReadsTheFirstNonEmptyLocaleVariable) {
    const struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        std::uint16_t expected;
    } cases[] = {
        {"ja_JP.UTF-8", "de_DE.UTF-8", "ko_KR.UTF-8", 0x0411},
        {"", "de_DE.UTF-8", "ko_KR.UTF-8", 0x0407},
        {nullptr, "", "ko_KR.UTF-8", 0x0412},
        {nullptr, nullptr, "fr_CA", 0x0C0C},
        {"", "", "", 0x0409},
        {nullptr, nullptr, nullptr, 0x0409},
    };
    for (const auto& c : cases) {
        const ScopedEnvironment lcAll("LC_ALL", c.lcAll);
        const ScopedEnvironment lcMessages("LC_MESSAGES", c.lcMessages);
        const ScopedEnvironment lang("LANG", c.lang);
        EXPECT_EQ(GetUserDefaultLangId(), c.expected)
            << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

} // namespace
} // namespace vg::platform::posix
