// The stub's application manifest, and the XML reading that check-stub
// holds every manifest to.
#include <gtest/gtest.h>

#include <set>

#include "tests/unit/test_support.h"
#include "authoring/pe_image.h"
#include "authoring/xml.h"

namespace {

const char kGood[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
    "<v3:trustInfo xmlns:v3=\"urn:schemas-microsoft-com:asm.v3\"><v3:security><v3:requestedPrivileges>"
    "<v3:requestedExecutionLevel level=\"requireAdministrator\"/>"
    "</v3:requestedPrivileges></v3:security></v3:trustInfo></assembly>";

std::string StubManifest() {
    PeImage img;
    std::string error;
    EXPECT_TRUE(img.Parse(BuiltStub(), &error)) << error;
    for (const ResourceLeaf& l : img.leaves)
        if (l.type == "#24") return img.ResourceData(l);
    return "";
}

}  // namespace

TEST(StubManifest, AsksForAdministratorAndNamesVistaTo11) {
    REQUIRE_STUB();
    const std::string text = StubManifest();
    EXPECT_EQ(ManifestProblem(text), "");
    XmlElement root;
    std::string error;
    ASSERT_TRUE(ParseXml(text, &root, &error)) << error;

    std::vector<const XmlElement*> found;
    root.FindAll("urn:schemas-microsoft-com:compatibility.v1", "supportedOS", &found);
    std::set<std::string> ids;
    for (const XmlElement* e : found) ids.insert(e->Attribute("Id"));
    EXPECT_EQ(ids, (std::set<std::string>{
                       "{e2011457-1546-43c5-a5fe-008deee3d3f0}",    // Vista
                       "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",    // 7
                       "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",    // 8
                       "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",    // 8.1
                       "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}));  // 10 and 11

    found.clear();
    root.FindAll("http://schemas.microsoft.com/SMI/2005/WindowsSettings", "dpiAware", &found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->text, "true");

    found.clear();
    root.FindAll("urn:schemas-microsoft-com:asm.v3", "requestedExecutionLevel", &found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NE(found[0]->Attribute("uiAccess"), "true");
}

TEST(Xml, HoldsManifestsToWellFormedUtf8) {
    std::string nested;
    for (int i = 0; i < 300; ++i) nested += "<a>";
    for (int i = 0; i < 300; ++i) nested += "</a>";
    const struct {
        std::string text;
        bool wellFormed;
    } cases[] = {
        {kGood, true},
        {"\xEF\xBB\xBF<a x='1' y=\"&lt;&#65;&#x42;\"><!-- c --><?pi x?><![CDATA[<&]]>caf\xC3\xA9</a>\n", true},
        {"<a><b></a></b>", false},                    // crossed
        {"<a/><b/>", false},                          // two roots
        {"", false},                                  // no root
        {"<a>x</a>y", false},                         // text after the root
        {"<a>\xC0\xAF</a>", false},                   // overlong
        {"<a>\xED\xA0\x80</a>", false},               // a surrogate
        {"<a>\x80</a>", false},                       // a lone continuation byte
        {"<a>\xE2\x82</a>", false},                   // cut inside a character
        {"<a>\x01</a>", false},                       // a control character
        {"<a x=1/>", false},                          // unquoted
        {"<a x='1' x='2'/>", false},                  // twice
        {"<a x='<'/>", false},                        // '<' in a value
        {"<a>&</a>", false},                          // a bare '&'
        {"<a>&nbsp;</a>", false},                     // undefined
        {"<a>&#1;</a>", false},                       // a character XML does not allow
        {"<a><!-- x -- y --></a>", false},            // '--' inside a comment
        {"<a><!-- x </a>", false},                    // never closed
        {"<p:a/>", false},                            // undeclared prefix
        {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>", false},
        {"<!DOCTYPE a><a/>", false},
        {" <?xml version=\"1.0\"?><a/>", false},      // a declaration not at the start
        {"<a>]]></a>", false},
        {nested, false},                              // deeper than any manifest
    };
    for (const auto& c : cases) {
        XmlElement root;
        std::string error;
        EXPECT_EQ(ParseXml(c.text, &root, &error), c.wellFormed) << c.text << ": " << error;
    }
}

TEST(Xml, ManifestRuleRefusesWhatWindowsWouldNot) {
    const std::string v1Trust = std::string(kGood).replace(
        std::string(kGood).find("<v3:trustInfo"), 0, "<trustInfo><security/></trustInfo>");
    const struct {
        std::string text;
        const char* problem;  // a word of the reason, or "" for none
    } cases[] = {
        {kGood, ""},
        {v1Trust, "XP refuses"},
        {std::string(kGood).replace(std::string(kGood).find("requireAdministrator"), 20, "asInvoker"),
         "not requireAdministrator"},
        {std::string(kGood).replace(std::string(kGood).find("manifestVersion=\"1.0\""), 21, ""),
         "manifest version"},
        {std::string(kGood).substr(0, 60), "not well-formed"},
        {"<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"/>", "execution level"},
    };
    for (const auto& c : cases) {
        const std::string problem = ManifestProblem(c.text);
        if (!*c.problem) EXPECT_EQ(problem, "") << c.text;
        else EXPECT_NE(problem.find(c.problem), std::string::npos) << c.text << ": " << problem;
    }
}
