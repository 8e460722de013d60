// Just enough XML to hold an application manifest to the rules a loader
// holds it to: UTF-8, well-formed, names in their namespaces. A manifest
// that breaks them stops the program from starting on XP and later.
#ifndef AUTHORING_XML_H
#define AUTHORING_XML_H

#include <string>
#include <utility>
#include <vector>

struct XmlElement {
    std::string ns;     // the namespace its prefix (or the default) stands for
    std::string name;   // the local name, without the prefix
    // As written (prefix included), values with their references replaced.
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;   // the character data directly inside it, joined
    std::vector<XmlElement> children;

    // The value of the attribute written `name`, or "" when there is none.
    std::string Attribute(const std::string& name) const;
    // Every element under this one (itself included), depth first, that has
    // this namespace and local name.
    void FindAll(const std::string& ns, const std::string& name,
                 std::vector<const XmlElement*>* out) const;
};

// Parses a whole document. False, with the line and the reason, when it is
// not well-formed UTF-8 XML 1.0 with its namespaces declared (a document
// type declaration is refused too: no manifest has one).
bool ParseXml(const std::string& text, XmlElement* root, std::string* error);

#endif
