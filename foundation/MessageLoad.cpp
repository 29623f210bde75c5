#include "foundation/MessageLoad.h"

#include <zlib.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Alerts.h"
#include "foundation/KFile.h"
#include "foundation/MFUtil.h"
#include "foundation/MessageTable.h"
#include "foundation/XMLReader.h"
#include "platform/PfResource.h"

namespace {

constexpr long kMinPacked = 3;
constexpr long kMaxPacked = 1000000;

struct Resource {
  PfHandle h = nullptr;
  ~Resource() {
    if (h) PfDisposeHandle(h);
  }
};

// Key validation is off while a load runs, on again however it ends.
struct ValidationOff {
  ValidationOff() { SetMessageKeyValidationSuppressed(1); }
  ~ValidationOff() { SetMessageKeyValidationSuppressed(0); }
};

bool AddOne(const std::string& key, const std::string& text, SMessageTable* table, ASBool escapes) {
  return AddMessageCopy(key.c_str(), text.c_str(), table, escapes) != 0;
}

bool IsComment(const std::string& key) {
  return key.empty() || key == " " || key.find('*') != std::string::npos;
}

// A subfolder named by a language code; "." and ".." are none.
bool IsLanguageFolder(const SKFindFileData& entry) {
  return entry.isFolder && std::strcmp(entry.name, ".") != 0 && std::strcmp(entry.name, "..") != 0;
}

std::string LowerExtension(const char* ext) {
  std::string e(ext ? ext : "");
  for (char& c : e) c = (char)std::tolower((unsigned char)c);
  return e;
}

bool IsSpreadsheet(const SKFindFileData& file) { return !file.isFolder && LowerExtension(file.extension) == "xml"; }

// A language folder with a spreadsheet to read.
bool HoldsSpreadsheet(const char* folder) {
  bool found = false;
  SKFindFileData file;
  SMacFindFileHandle* files = MacFindFirstFileInFolder(folder, &file);
  if (!files) return false;
  do {
    found = IsSpreadsheet(file);
  } while (!found && MacFindNextFileInFolder(files, &file));
  MacFindClose(files);
  return found;
}

}  // namespace

ASBool ReadMessageLinesFromBuffer(const char* bytes, ASInt32 length, SMessageTable* table) {
  if (!bytes || length <= 0) return 1;
  ValidationOff off;
  bool ok = true;
  ASInt32 pos = 0;
  while (pos < length) {
    const char* start = bytes + pos;
    ASInt32 rest = length - pos;
    const char* lf = static_cast<const char*>(std::memchr(start, '\n', (size_t)rest));
    const char* tab = static_cast<const char*>(std::memchr(start, '\t', (size_t)rest));
    if (!lf || !tab) break;  // a last line without a line feed is not read
    if (lf < tab || tab == start) {
      pos = (ASInt32)(lf - bytes) + 1;
      continue;
    }
    pos = (ASInt32)(lf - bytes) + 1;
    std::string key(start, (size_t)(tab - start));
    if (key.size() > kMessageKeyMaxLength) {
      // Cut, it would file the text under another key: skipped and told.
      if (GetMessageDebugMode()) {
        GenMsg2Message2("Message key too long, skipped:");
        GenMsg2Message2(key.c_str());
      }
      ok = false;
      continue;
    }
    std::string text(tab + 1, (size_t)(lf - tab - 1));
    if (!AddOne(key, text, table, 1)) ok = false;
  }
  return ok ? 1 : 0;
}

ASBool ReadMessageLinesFromBuffer2(const char* bytes, ASInt32 length, SMessageTable* table) {
  if (!bytes || length <= 0 || bytes[0] != '*') return ReadMessageLinesFromBuffer(bytes, length, table);
  const char* damaged = "Korvel error: message data has been damaged";
  if (length < 12) {
    ErrMessageUTF8(damaged);
    return 0;
  }
  char digits[9];
  std::memcpy(digits, bytes + 1, 8);
  digits[8] = 0;
  char* end = nullptr;
  long unpacked = std::strtol(digits, &end, 10);
  if (end == digits || unpacked < kMinPacked || unpacked > kMaxPacked) {
    ErrMessageUTF8(damaged);
    return 0;
  }
  std::vector<char> out((size_t)unpacked + 10);
  z_stream z;
  std::memset(&z, 0, sizeof z);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes + 12));
  z.avail_in = (uInt)(length - 12);
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = (uInt)out.size();
  if (inflateInit(&z) != Z_OK) {
    ErrMessageUTF8(damaged);
    return 0;
  }
  int r = inflate(&z, Z_FINISH);
  uLong produced = z.total_out;
  inflateEnd(&z);
  if (r != Z_STREAM_END || produced != (uLong)unpacked) {
    ErrMessageUTF8(damaged);
    return 0;
  }
  return ReadMessageLinesFromBuffer(out.data(), (ASInt32)unpacked, table);
}

ASBool ReadMessageLinesFromResource(ASInt32 resourceId, SMessageTable* table) {
  Resource res;
  res.h = PfBundleLoadResourceById("MSGB", resourceId);
  if (!res.h) return 1;
  size_t size = PfGetHandleSize(res.h);
  if (size > 0x7FFFFFF0u ||
      !ReadMessageLinesFromBuffer2(reinterpret_cast<const char*>(PfHandleData(res.h)), (ASInt32)size, table)) {
    char text[100];
    std::snprintf(text, sizeof text, "Message error found in resource %ld", (long)resourceId);
    ErrMessageUTF8(text);
    return 0;
  }
  return 1;
}

ASBool ReadMessagesFromControlResource(ASInt32 controlId, const char* requestedLang, SMessageTable* table) {
  Resource res;
  res.h = PfBundleLoadResourceById("MSGB", controlId);
  if (!res.h) return 1;
  std::string text(reinterpret_cast<const char*>(PfHandleData(res.h)), PfGetHandleSize(res.h));
  ASAtom remembered = GetMessageTableCurrentLang(table);
  bool ok = true, loadedAny = false, parseError = false;
  std::string firstLang;
  long firstId = 0, englishId = 0;
  bool haveEnglish = false;
  size_t pos = 0;
  bool firstLine = true;
  while (pos < text.size()) {
    size_t lf = text.find('\n', pos);
    std::string line = text.substr(pos, lf == std::string::npos ? std::string::npos : lf - pos);
    pos = lf == std::string::npos ? text.size() : lf + 1;
    char lang[64];
    long id = 0;
    if (std::sscanf(line.c_str(), "%63s\t%ld", lang, &id) != 2) {
      ErrMessageUTF8("Error parsing message control");
      parseError = true;
      break;
    }
    if (firstLine) {
      firstLang = lang;
      firstId = id;
      firstLine = false;
    }
    if (std::strcmp(lang, "en") == 0) {
      englishId = id;
      haveEnglish = true;
    }
    if (!requestedLang || std::strcmp(lang, requestedLang) == 0) {
      SetMessageTableCurrentLang(table, ASAtomFromString(lang), 1);
      if (!ReadMessageLinesFromResource((ASInt32)id, table)) ok = false;
      loadedAny = true;
    }
  }
  if (!parseError && requestedLang && !loadedAny) {
    if (haveEnglish && englishId > 0) {
      SetMessageTableCurrentLang(table, ASAtomFromString("en"), 1);
      ok = ReadMessageLinesFromResource((ASInt32)englishId, table);
    } else if (!firstLang.empty()) {
      SetMessageTableCurrentLang(table, ASAtomFromString(firstLang.c_str()), 1);
      ok = ReadMessageLinesFromResource((ASInt32)firstId, table);
    }
  }
  if (parseError) ok = false;
  if (!requestedLang && ok) SetMessageTableCurrentLang(table, remembered, 0);
  if (!ok) {
    char msg[100];
    std::snprintf(msg, sizeof msg, "Message error found in resource %ld", (long)controlId);
    ErrMessageUTF8(msg);
    return 0;
  }
  return 1;
}

ASBool ReadXMLSpreadsheetMessagesFromDoc(const char* path, SMessageTable* table, ASBool handleEscapes) {
  SXMLDoc* doc = NewXMLDocFromFile(path);
  if (!doc) {
    ErrMessageUTF8("Unable to read XML document");
    return 0;
  }
  bool ok = true;
  DURING
    ParseXMLDoc(doc);
    SXMLElement* root = doc->root;
    SXMLElement* sheet = (root && root->type == kXMLStartTag && std::strcmp(root->name, "Workbook") == 0)
                             ? XMLElementFindChildElement(root, "Worksheet", nullptr)
                             : nullptr;
    SXMLElement* tbl = sheet ? XMLElementFindChildElement(sheet, "Table", nullptr) : nullptr;
    if (!tbl) {
      ok = false;
    } else {
      ValidationOff off;
      for (SXMLElement* row = XMLElementFindChildElement(tbl, "Row", nullptr); row;
           row = XMLElementFindChildElement(tbl, "Row", row)) {
        SXMLElement* cell = XMLElementFindChildElement(row, "Cell", nullptr);
        SXMLElement* data = cell ? XMLElementFindChildElement(cell, "Data", nullptr) : nullptr;
        if (!data) continue;
        const char* keyText = XMLElementGetText(data);
        if (!keyText) {
          ok = false;
          continue;
        }
        std::string key = keyText;
        if (!ValidMessageKey(key.c_str())) {
          if (!IsComment(key)) ok = false;  // "Bad key: '<key>'" is not shown, as before
          continue;
        }
        // The message: the last later cell whose text, after leading blanks, is not "TRANSLATE".
        const char* message = nullptr;
        bool dataWithoutText = false;
        for (SXMLElement* c = XMLElementFindChildElement(row, "Cell", cell); c;
             c = XMLElementFindChildElement(row, "Cell", c)) {
          SXMLElement* d = XMLElementFindChildElement(c, "Data", nullptr);
          if (!d) continue;
          const char* t = XMLElementGetText(d);
          if (!t) {
            dataWithoutText = true;
            continue;
          }
          const char* s = t;
          while (*s == ' ') ++s;
          if (std::strcmp(s, "TRANSLATE") != 0) message = t;
        }
        if (dataWithoutText || !message || !AddOne(key, message, table, handleEscapes)) ok = false;
      }
    }
  HANDLER
    FreeXMLDoc(doc);
    RERAISE();
  END_HANDLER
  FreeXMLDoc(doc);
  return ok ? 1 : 0;
}

ASBool MessageFolderUsable(const char* folder) {
  bool found = false;
  SKFindFileData entry;
  SMacFindFileHandle* langs = folder && *folder ? MacFindFirstFileInFolder(folder, &entry) : nullptr;
  if (!langs) return 0;
  do {
    if (IsLanguageFolder(entry)) found = HoldsSpreadsheet(entry.fullPath);
  } while (!found && MacFindNextFileInFolder(langs, &entry));
  MacFindClose(langs);
  return found ? 1 : 0;
}

ASBool ReadAllXMLSpreadsheetsFromDir(const char* folder, SMessageTable* table, ASBool handleEscapes) {
  // A folder that cannot be read, or holds no language folder with a sheet,
  // gives no texts at all: that is no successful load.
  bool ok = MessageFolderUsable(folder) != 0;
  SKFindFileData entry;
  SMacFindFileHandle* langs = ok ? MacFindFirstFileInFolder(folder, &entry) : nullptr;
  if (langs) {
    do {
      if (!IsLanguageFolder(entry)) continue;
      SetMessageTableCurrentLang(table, ASAtomFromString(entry.name), 1);
      std::string sub = entry.fullPath;
      bool good = false;
      // Good when a sheet of it reads; an empty one or one that cannot be
      // opened gives that language nothing.
      SKFindFileData file;
      SMacFindFileHandle* files = MacFindFirstFileInFolder(sub.c_str(), &file);
      if (files) {
        do {
          if (IsSpreadsheet(file) && ReadXMLSpreadsheetMessagesFromDoc(file.fullPath, table, handleEscapes))
            good = true;
        } while (MacFindNextFileInFolder(files, &file));
        MacFindClose(files);
      }
      if (!good) ok = false;
    } while (MacFindNextFileInFolder(langs, &entry));
    MacFindClose(langs);
  }
  // A note for the translator, not an error.
  char text[100];
  std::snprintf(text, sizeof text, "Message memory = %ldK", (long)(MessageTableMemoryUsed() / 1024));
  NoteMessageUTF8(text);
  SetMessageTableCurrentLangDefault(table);
  return ok ? 1 : 0;
}
