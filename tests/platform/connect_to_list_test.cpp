// The connect-to routing list of the Windows transport: curl's --connect-to meaning, and bad
// entries passed over without losing the good ones.
#include "platform/win32/connect_to_list.h"

#include <gtest/gtest.h>

namespace vg::platform::win32 {
namespace {

struct RouteCase {
    const char* what;
    std::u16string list;
    std::u16string host;
    std::uint16_t port;
    ConnectTarget expected;
};

void ExpectRoutes(const std::vector<RouteCase>& cases) {
    for (const RouteCase& c : cases) {
        EXPECT_EQ(ConnectToList::Parse(c.list).Route(c.host, c.port), c.expected) << c.what;
    }
}

TEST(ConnectToListTest, RoutesWithCurlsMeaning) {
    ExpectRoutes({
        {"empty list", u"", u"cdn.varnugames.com", 443, {u"cdn.varnugames.com", 443}},
        {"host and port match",
         u"cdn.varnugames.com:443:127.0.0.1:37187",
         u"cdn.varnugames.com",
         443,
         {u"127.0.0.1", 37187}},
        {"host names ignore letter case",
         u"CDN.Varnugames.COM:443:127.0.0.1:1",
         u"cdn.varnugames.com",
         443,
         {u"127.0.0.1", 1}},
        {"other host",
         u"cdn.varnugames.com:443:127.0.0.1:1",
         u"api.varnugames.com",
         443,
         {u"api.varnugames.com", 443}},
        {"other port",
         u"cdn.varnugames.com:443:127.0.0.1:1",
         u"cdn.varnugames.com",
         80,
         {u"cdn.varnugames.com", 80}},
        {"a host name is not a prefix",
         u"cdn:443:127.0.0.1:1",
         u"cdn.varnugames.com",
         443,
         {u"cdn.varnugames.com", 443}},
        {"empty host matches any", u":443:127.0.0.1:1", u"x.example", 443, {u"127.0.0.1", 1}},
        {"empty port matches any", u"h::127.0.0.1:1", u"h", 8080, {u"127.0.0.1", 1}},
        {"empty address keeps the host", u"h:443::8443", u"h", 443, {u"h", 8443}},
        {"empty second port keeps the port", u"h:443:127.0.0.1:", u"h", 443, {u"127.0.0.1", 443}},
        {"port with leading zeros", u"h:0443:a:01", u"h", 443, {u"a", 1}},
        {"IPv6 address loses its brackets", u"h:443:[::1]:8443", u"h", 443, {u"::1", 8443}},
        {"fields are not trimmed", u" h:443:a:1", u"h", 443, {u"h", 443}},
    });
}

TEST(ConnectToListTest, FirstEntryThatChangesSomethingDecides) {
    ExpectRoutes({
        {"first match wins", u"h:443:a:1,h:443:b:2", u"h", 443, {u"a", 1}},
        {"a match that changes nothing is passed over", u"h:443::,h:443:b:2", u"h", 443, {u"b", 2}},
        {"the sandbox's list picks by port",
         u"cdn.varnugames.com:443:127.0.0.1:1000,cdn.varnugames.com:80:127.0.0.1:1001,"
         u"download.varnugames.com:80:127.0.0.1:1003",
         u"cdn.varnugames.com",
         80,
         {u"127.0.0.1", 1001}},
        {"empty entries", u",,h:443:a:1,", u"h", 443, {u"a", 1}},
    });
}

TEST(ConnectToListTest, BadEntriesAreIgnoredAndTheRestApplies) {
    const std::vector<std::u16string> badEntries = {
        u"garbage",    u"h:443:a",    u"h:443:a:1:2",   u"h:abc:a:1",
        u"h:443:a:x",  u"h:443:a:0",  u"h:443:a:65536", u"h:443:a:99999999999999999999",
        u"h:+443:a:1", u"h:443:a:-1", u"h:443:[::1:1",  u"h:443:[::1]x:1",
    };
    for (const std::u16string& bad : badEntries) {
        const ConnectToList list = ConnectToList::Parse(bad + u",h:443:127.0.0.1:8443");
        EXPECT_EQ(list.Route(u"h", 443), (ConnectTarget{u"127.0.0.1", 8443}))
            << std::string(bad.begin(), bad.end());
        EXPECT_EQ(ConnectToList::Parse(bad).Route(u"h", 443), (ConnectTarget{u"h", 443}))
            << std::string(bad.begin(), bad.end());
    }
}

} // namespace
} // namespace vg::platform::win32
