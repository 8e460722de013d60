#include "authoring/xml.h"

#include <cctype>
#include <cstdint>
#include <map>

namespace {

// Deeper than any manifest, shallow enough for the stack.
const int kMaxDepth = 256;

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}

    bool Document(XmlElement* root) {
        if (!Utf8()) return false;
        if (s_.compare(0, 3, "\xEF\xBB\xBF") == 0) p_ = 3;
        if (Starts("<?xml") && p_ + 5 < s_.size() && IsSpace(s_[p_ + 5]) && !Declaration()) return false;
        if (!Misc()) return false;
        if (Starts("<!DOCTYPE")) return Fail("a document type declaration");
        if (!Starts("<")) return Fail("no root element");
        std::map<std::string, std::string> scope = {{"xml", "http://www.w3.org/XML/1998/namespace"}};
        if (!Element(root, scope, 0) || !Misc()) return false;
        if (p_ != s_.size()) return Fail("text after the root element");
        return true;
    }

    std::string error;

private:
    bool Fail(const std::string& what) {
        int line = 1;
        for (size_t i = 0; i < p_ && i < s_.size(); ++i) line += s_[i] == '\n';
        error = "line " + std::to_string(line) + ": " + what;
        return false;
    }
    bool Starts(const char* t) const { return s_.compare(p_, std::char_traits<char>::length(t), t) == 0; }
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    void Spaces() {
        while (p_ < s_.size() && IsSpace(s_[p_])) ++p_;
    }
    static bool NameStart(unsigned char c) {
        return ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '_' || c == ':' || c >= 0x80;
    }
    static bool NameChar(unsigned char c) {
        return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }
    bool Name(std::string* out) {
        const size_t start = p_;
        if (p_ >= s_.size() || !NameStart((unsigned char)s_[p_])) return Fail("a name expected");
        while (p_ < s_.size() && NameChar((unsigned char)s_[p_])) ++p_;
        *out = s_.substr(start, p_ - start);
        return true;
    }

    // Every byte sequence a valid UTF-8 character, and every character one
    // that XML allows.
    bool Utf8() {
        for (p_ = 0; p_ < s_.size();) {
            const unsigned char c = (unsigned char)s_[p_];
            uint32_t cp;
            int n;
            if (c < 0x80) cp = c, n = 0;
            else if (c >= 0xC2 && c <= 0xDF) cp = c & 0x1F, n = 1;
            else if (c >= 0xE0 && c <= 0xEF) cp = c & 0x0F, n = 2;
            else if (c >= 0xF0 && c <= 0xF4) cp = c & 0x07, n = 3;
            else return Fail("not UTF-8");
            if (n && p_ + n >= s_.size()) return Fail("not UTF-8 (cut inside a character)");
            for (int k = 1; k <= n; ++k) {
                const unsigned char t = (unsigned char)s_[p_ + k];
                if ((t & 0xC0) != 0x80) return Fail("not UTF-8");
                cp = cp << 6 | (t & 0x3F);
            }
            const bool overlong = (n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000);
            const bool allowed = cp == 9 || cp == 10 || cp == 13 || (cp >= 0x20 && cp <= 0xD7FF) ||
                                 (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
            if (overlong || !allowed) return Fail("a character XML does not allow");
            p_ += (size_t)n + 1;
        }
        p_ = 0;
        return true;
    }

    bool Declaration() {
        p_ += 5;
        std::vector<std::pair<std::string, std::string>> a;
        while (Spaces(), p_ < s_.size() && NameStart((unsigned char)s_[p_])) {
            std::string name, value;
            if (!Name(&name) || !Value(&value)) return false;
            a.push_back({name, value});
        }
        if (!Starts("?>")) return Fail("the XML declaration is not closed");
        p_ += 2;
        if (a.empty() || a[0].first != "version" || a[0].second.compare(0, 2, "1.") != 0)
            return Fail("the XML declaration does not start with its version");
        // Then the encoding, then standalone, each if present.
        size_t i = 1;
        if (i < a.size() && a[i].first == "encoding") {
            std::string v = a[i++].second;
            for (char& c : v) c = (char)std::toupper((unsigned char)c);
            if (v != "UTF-8") return Fail("the encoding is " + a[i - 1].second + ", not UTF-8");
        }
        if (i < a.size() && a[i].first == "standalone") {
            const std::string& v = a[i++].second;
            if (v != "yes" && v != "no") return Fail("standalone is neither yes nor no");
        }
        if (i != a.size()) return Fail("the XML declaration has " + a[i].first + " out of place");
        return true;
    }

    // Comments, processing instructions and white space.
    bool Misc() {
        for (;;) {
            Spaces();
            if (Starts("<!--")) {
                if (!Comment()) return false;
            } else if (Starts("<?")) {
                if (!Instruction()) return false;
            } else {
                return true;
            }
        }
    }
    bool Comment() {
        const size_t end = s_.find("--", p_ + 4);
        if (end == std::string::npos || end + 2 >= s_.size() || s_[end + 2] != '>')
            return Fail("a comment not closed, or with -- inside");
        p_ = end + 3;
        return true;
    }
    bool Instruction() {
        p_ += 2;
        std::string target;
        if (!Name(&target)) return false;
        std::string lower = target;
        for (char& c : lower) c = (char)std::tolower((unsigned char)c);
        if (lower == "xml") return Fail("an XML declaration that is not at the start");
        const size_t end = s_.find("?>", p_);
        if (end == std::string::npos) return Fail("a processing instruction not closed");
        p_ = end + 2;
        return true;
    }

    // Character data up to `stop`, references replaced; '<' and a bare '&'
    // are refused.
    bool CharData(char stop, std::string* out) {
        while (p_ < s_.size() && s_[p_] != stop) {
            const char c = s_[p_];
            if (c == '<') return stop == '<' ? true : Fail("'<' in an attribute value");
            if (c == '&') {
                if (!Reference(out)) return false;
                continue;
            }
            if (stop == '<' && Starts("]]>")) return Fail("]]> in text");
            out->push_back(c);
            ++p_;
        }
        return true;
    }
    bool Reference(std::string* out) {
        const size_t end = s_.find(';', p_);
        if (end == std::string::npos || end - p_ > 12) return Fail("a bare '&'");
        const std::string r = s_.substr(p_ + 1, end - p_ - 1);
        static const std::map<std::string, char> kNamed = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        auto named = kNamed.find(r);
        if (named != kNamed.end()) {
            out->push_back(named->second);
        } else if (r.size() > 1 && r[0] == '#') {
            const bool hex = r[1] == 'x';
            uint32_t cp = 0;
            size_t i = hex ? 2 : 1;
            if (i == r.size()) return Fail("an empty character reference");
            for (; i < r.size(); ++i) {
                const char c = (char)std::tolower((unsigned char)r[i]);
                const int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
                if (d < 0) return Fail("a character reference that is not a number");
                cp = cp * (hex ? 16 : 10) + (uint32_t)d;
            }
            if (!(cp == 9 || cp == 10 || cp == 13 || (cp >= 0x20 && cp <= 0xD7FF) ||
                  (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF)))
                return Fail("a reference to a character XML does not allow");
            AppendUtf8(cp, out);
        } else {
            return Fail("an undefined entity &" + r + ";");
        }
        p_ = end + 1;
        return true;
    }
    static void AppendUtf8(uint32_t cp, std::string* out) {
        if (cp < 0x80) {
            out->push_back((char)cp);
            return;
        }
        const int n = cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
        const unsigned lead = n == 1 ? 0xC0 : n == 2 ? 0xE0 : 0xF0;
        out->push_back((char)(lead | (cp >> (6 * n))));
        for (int k = n - 1; k >= 0; --k) out->push_back((char)(0x80 | ((cp >> (6 * k)) & 0x3F)));
    }
    bool Value(std::string* out) {
        Spaces();
        if (!Starts("=")) return Fail("'=' expected");
        ++p_;
        Spaces();
        if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) return Fail("a quoted value expected");
        const char quote = s_[p_++];
        if (!CharData(quote, out)) return false;
        if (p_ >= s_.size()) return Fail("a value not closed");
        ++p_;
        return true;
    }

    // The namespace a qualified name's prefix stands for in `scope`.
    bool Resolve(const std::string& qname, bool attribute,
                 const std::map<std::string, std::string>& scope, std::string* ns, std::string* local) {
        const size_t colon = qname.find(':');
        if (colon == std::string::npos) {
            auto d = scope.find("");
            *ns = attribute || d == scope.end() ? "" : d->second;
            *local = qname;
            return true;
        }
        const std::string prefix = qname.substr(0, colon);
        *local = qname.substr(colon + 1);
        auto it = scope.find(prefix);
        if (prefix.empty() || local->empty() || local->find(':') != std::string::npos)
            return Fail("a malformed qualified name " + qname);
        if (it == scope.end() || it->second.empty()) return Fail("the prefix " + prefix + " is not declared");
        *ns = it->second;
        return true;
    }

    bool Element(XmlElement* e, std::map<std::string, std::string> scope, int depth) {
        if (depth > kMaxDepth) return Fail("elements nested too deeply");
        ++p_;
        std::string qname;
        if (!Name(&qname)) return false;
        for (;;) {
            const size_t before = p_;
            Spaces();
            if (p_ >= s_.size()) return Fail("a start tag not closed");
            if (Starts(">") || Starts("/>")) break;
            if (p_ == before) return Fail("white space expected between attributes");
            std::string name, value;
            if (!Name(&name) || !Value(&value)) return false;
            for (const auto& a : e->attributes)
                if (a.first == name) return Fail("the attribute " + name + " twice");
            e->attributes.push_back({name, value});
            if (name == "xmlns") scope[""] = value;
            else if (name.compare(0, 6, "xmlns:") == 0) scope[name.substr(6)] = value;
        }
        if (!Resolve(qname, false, scope, &e->ns, &e->name)) return false;
        for (const auto& a : e->attributes) {
            std::string ns, local;
            if (a.first != "xmlns" && a.first.compare(0, 6, "xmlns:") != 0 &&
                !Resolve(a.first, true, scope, &ns, &local))
                return false;
        }
        if (Starts("/>")) {
            p_ += 2;
            return true;
        }
        ++p_;
        for (;;) {
            if (!CharData('<', &e->text)) return false;
            if (p_ >= s_.size()) return Fail("the element " + qname + " is not closed");
            if (Starts("</")) break;
            if (Starts("<!--")) {
                if (!Comment()) return false;
            } else if (Starts("<![CDATA[")) {
                const size_t end = s_.find("]]>", p_ + 9);
                if (end == std::string::npos) return Fail("a CDATA section not closed");
                e->text.append(s_, p_ + 9, end - p_ - 9);
                p_ = end + 3;
            } else if (Starts("<?")) {
                if (!Instruction()) return false;
            } else if (Starts("<!")) {
                return Fail("a declaration inside an element");
            } else {
                e->children.emplace_back();
                if (!Element(&e->children.back(), scope, depth + 1)) return false;
            }
        }
        p_ += 2;
        std::string closing;
        if (!Name(&closing)) return false;
        if (closing != qname) return Fail("</" + closing + "> closes <" + qname + ">");
        Spaces();
        if (!Starts(">")) return Fail("an end tag not closed");
        ++p_;
        return true;
    }

    const std::string& s_;
    size_t p_ = 0;
};

}  // namespace

std::string XmlElement::Attribute(const std::string& n) const {
    for (const auto& a : attributes)
        if (a.first == n) return a.second;
    return "";
}

void XmlElement::FindAll(const std::string& wantNs, const std::string& wantName,
                         std::vector<const XmlElement*>* out) const {
    if (ns == wantNs && name == wantName) out->push_back(this);
    for (const XmlElement& c : children) c.FindAll(wantNs, wantName, out);
}

bool ParseXml(const std::string& text, XmlElement* root, std::string* error) {
    *root = XmlElement();
    Parser p(text);
    if (p.Document(root)) return true;
    *error = p.error;
    return false;
}
