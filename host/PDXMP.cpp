// XMP metadata of a document: the whole packet, and single properties found
// and set by namespace URI with a small namespace-aware editor on pugixml.
#include <pugixml.hpp>

#include <cstring>
#include <sstream>

#include "host/ASText.h"
#include "host/PDPriv.h"

using namespace hostpdf;

namespace {

const char* const kRdfNs = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

const char* const kEmptyPacket =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
    " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
    "  <rdf:Description rdf:about=\"\"/>\n"
    " </rdf:RDF>\n"
    "</x:xmpmeta>\n"
    "<?xpacket end=\"w\"?>";

std::string Utf8Of(ASText t) {
  if (!t) return std::string();
  const char* s = ASTextGetUTF8(t);
  return s ? s : "";
}

ASText TextOf(const std::string& s) { return ASTextFromUnicode(s.c_str(), kUTF8); }

QPDFObjectHandle MetadataStream(QPDF& q) {
  QPDFObjectHandle m = q.getRoot().getKey("/Metadata");
  return m.isStream() ? m : QPDFObjectHandle::newNull();
}

std::string ReadPacket(QPDF& q) {
  QPDFObjectHandle m = MetadataStream(q);
  if (m.isNull()) return std::string();
  std::string s;
  try {
    auto buf = m.getStreamData(qpdf_dl_generalized);
    s.assign(reinterpret_cast<const char*>(buf->getBuffer()), buf->getSize());
  } catch (...) {
    return std::string();  // unreadable metadata counts as none
  }
  if (s.size() >= 3 && (unsigned char)s[0] == 0xEF && (unsigned char)s[1] == 0xBB && (unsigned char)s[2] == 0xBF)
    s.erase(0, 3);
  return s;
}

void WritePacket(PDDoc doc, const std::string& packet) {
  QPDF& q = QOf(doc);
  QPDFObjectHandle m = MetadataStream(q);
  if (m.isNull()) {
    m = q.newStream(packet);
    m.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
    m.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
    q.getRoot().replaceKey("/Metadata", m);
  } else {
    m.replaceStreamData(packet, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  }
  MarkDirty(doc->cos);
}

bool Parse(pugi::xml_document& xml, const std::string& packet) {
  unsigned opts = pugi::parse_default | pugi::parse_pi | pugi::parse_declaration | pugi::parse_ws_pcdata_single;
  return xml.load_buffer(packet.data(), packet.size(), opts, pugi::encoding_utf8);
}

std::string Save(pugi::xml_document& xml) {
  std::ostringstream out;
  xml.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.str();
}

std::string PrefixOf(const char* qname) {
  const char* colon = std::strchr(qname, ':');
  return colon ? std::string(qname, (size_t)(colon - qname)) : std::string();
}

const char* LocalOf(const char* qname) {
  const char* colon = std::strchr(qname, ':');
  return colon ? colon + 1 : qname;
}

// The namespace URI a prefix stands for at node.
std::string Resolve(pugi::xml_node node, const std::string& prefix) {
  std::string attr = prefix.empty() ? "xmlns" : "xmlns:" + prefix;
  for (pugi::xml_node n = node; n; n = n.parent())
    if (pugi::xml_attribute a = n.attribute(attr.c_str())) return a.value();
  return std::string();
}

bool IsRdf(pugi::xml_node n, const char* local) {
  return std::strcmp(LocalOf(n.name()), local) == 0 && Resolve(n, PrefixOf(n.name())) == kRdfNs;
}

void Descriptions(pugi::xml_node n, std::vector<pugi::xml_node>& out) {
  for (pugi::xml_node c : n.children()) {
    if (c.type() != pugi::node_element) continue;
    if (IsRdf(c, "Description")) out.push_back(c);
    else Descriptions(c, out);
  }
}

struct Path {
  std::string local;
  int index = 0;  // 1-based array item; 0 for a simple property
};

Path ParsePath(const std::string& text) {
  Path p;
  std::string s = text;
  size_t colon = s.find(':');
  if (colon != std::string::npos) s = s.substr(colon + 1);
  size_t br = s.find('[');
  if (br != std::string::npos) {
    p.index = std::atoi(s.c_str() + br + 1);
    if (p.index < 1) p.index = 1;
    s = s.substr(0, br);
  }
  p.local = s;
  return p;
}

struct Found {
  pugi::xml_attribute attr;
  pugi::xml_node element;
  pugi::xml_node owner;  // the description that holds attr
};

Found Find(pugi::xml_document& xml, const std::string& ns, const Path& path) {
  std::vector<pugi::xml_node> descs;
  Descriptions(xml, descs);
  for (pugi::xml_node d : descs) {
    for (pugi::xml_attribute a : d.attributes()) {
      std::string prefix = PrefixOf(a.name());
      if (prefix.empty() || prefix == "xmlns") continue;
      if (path.local == LocalOf(a.name()) && Resolve(d, prefix) == ns) return Found{a, pugi::xml_node(), d};
    }
    for (pugi::xml_node c : d.children()) {
      if (c.type() != pugi::node_element) continue;
      if (path.local == LocalOf(c.name()) && Resolve(c, PrefixOf(c.name())) == ns) return Found{pugi::xml_attribute(), c, d};
    }
  }
  return Found{};
}

// The array (Alt, Seq, Bag) inside a property element, if any.
pugi::xml_node ArrayIn(pugi::xml_node prop) {
  for (pugi::xml_node c : prop.children())
    if (c.type() == pugi::node_element && (IsRdf(c, "Alt") || IsRdf(c, "Seq") || IsRdf(c, "Bag"))) return c;
  return pugi::xml_node();
}

pugi::xml_node Item(pugi::xml_node array, int index) {
  int i = 0;
  for (pugi::xml_node li : array.children())
    if (li.type() == pugi::node_element && IsRdf(li, "li") && ++i == index) return li;
  return pugi::xml_node();
}

bool ValueOf(const Found& f, const Path& path, std::string* out) {
  if (f.attr) {
    *out = f.attr.value();
    return true;
  }
  if (!f.element) return false;
  if (pugi::xml_node array = ArrayIn(f.element)) {
    pugi::xml_node li = Item(array, path.index ? path.index : 1);
    if (!li) return false;
    *out = li.text().get();
    return true;
  }
  if (pugi::xml_attribute res = f.element.attribute("rdf:resource")) {
    *out = res.value();
    return true;
  }
  *out = f.element.text().get();
  return true;
}

std::string PacketOrEmpty(PDDoc doc) {
  std::string p = ReadPacket(QOf(doc));
  pugi::xml_document xml;
  if (p.empty() || !Parse(xml, p)) return kEmptyPacket;
  return p;
}

}  // namespace

ASText PDDocGetXAPMetadata(PDDoc doc) {
  return Guard([&] { return TextOf(PacketOrEmpty(doc)); });
}

void PDDocSetXAPMetadata(PDDoc doc, ASText packet) {
  Guard([&] {
    CheckPDDoc(doc);
    std::string text = Utf8Of(packet);
    pugi::xml_document xml;
    if (!Parse(xml, text)) ASRaise(xmpErrBadPacket);
    WritePacket(doc, text);
  });
}

ASText PDDocGetXAPMetadataProperty(PDDoc doc, ASText nameSpace, ASText path) {
  return Guard([&]() -> ASText {
    std::string ns = Utf8Of(nameSpace);
    Path p = ParsePath(Utf8Of(path));
    if (ns.empty() || p.local.empty()) ASRaise(genErrBadParm);
    std::string packet = ReadPacket(QOf(doc));
    pugi::xml_document xml;
    if (packet.empty() || !Parse(xml, packet)) return nullptr;
    std::string value;
    if (!ValueOf(Find(xml, ns, p), p, &value)) return nullptr;
    return TextOf(value);
  });
}

void PDDocSetXAPMetadataProperty(PDDoc doc, ASText nameSpace, ASText prefix, ASText path, ASText value) {
  Guard([&] {
    std::string ns = Utf8Of(nameSpace);
    std::string pre = Utf8Of(prefix);
    Path p = ParsePath(Utf8Of(path));
    std::string v = Utf8Of(value);
    if (ns.empty() || p.local.empty() || pre.empty()) ASRaise(genErrBadParm);
    pugi::xml_document xml;
    if (!Parse(xml, PacketOrEmpty(doc))) ASRaise(xmpErrBadPacket);
    Found f = Find(xml, ns, p);
    if (v.empty()) {
      if (f.attr) f.owner.remove_attribute(f.attr);
      else if (f.element) f.element.parent().remove_child(f.element);
      else return;  // nothing to remove: the document stays as it was
    } else if (f.attr) {
      f.attr.set_value(v.c_str());
    } else if (f.element) {
      if (pugi::xml_node array = ArrayIn(f.element)) {
        pugi::xml_node li = Item(array, p.index ? p.index : 1);
        if (!li) {
          li = array.append_child((PrefixOf(array.name()).empty() ? std::string("li") : PrefixOf(array.name()) + ":li").c_str());
          if (IsRdf(array, "Alt")) li.append_attribute("xml:lang") = "x-default";
        }
        li.text().set(v.c_str());
      } else {
        f.element.remove_attribute("rdf:resource");
        f.element.text().set(v.c_str());
      }
    } else {
      std::vector<pugi::xml_node> descs;
      Descriptions(xml, descs);
      pugi::xml_node target;
      // A description where the prefix is free or already means this namespace.
      for (pugi::xml_node d : descs) {
        std::string bound = Resolve(d, pre);
        if (bound.empty() || bound == ns) {
          target = d;
          break;
        }
      }
      if (!target) {
        pugi::xml_node rdf;
        std::vector<pugi::xml_node> stack{xml};
        while (!stack.empty() && !rdf) {
          pugi::xml_node n = stack.back();
          stack.pop_back();
          for (pugi::xml_node c : n.children()) {
            if (c.type() != pugi::node_element) continue;
            if (IsRdf(c, "RDF")) rdf = c;
            else stack.push_back(c);
          }
        }
        if (!rdf) ASRaise(xmpErrBadPacket);
        target = rdf.append_child((PrefixOf(rdf.name()).empty() ? std::string("Description")
                                                                : PrefixOf(rdf.name()) + ":Description")
                                      .c_str());
        target.append_attribute((PrefixOf(rdf.name()) + ":about").c_str()) = "";
        if (Resolve(target, pre) != ns) target.append_attribute(("xmlns:" + pre).c_str()) = ns.c_str();
      } else if (Resolve(target, pre).empty()) {
        target.append_attribute(("xmlns:" + pre).c_str()) = ns.c_str();
      }
      pugi::xml_node prop = target.append_child((pre + ":" + p.local).c_str());
      prop.text().set(v.c_str());
    }
    WritePacket(doc, Save(xml));
  });
}
