// The users' reference of the parameters, made from the command definitions
// (their defaults) and the parameter tables (kinds, ranges, words, units).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "commands/ParamTables.h"
#include "foundation/KCab.h"
#include "foundation/KCabXML.h"
#include "foundation/KParams.h"
#include "pdftools/PageSizes.h"

namespace {

std::string Number(double v) {
  char text[64];
  KParamFormatNumber(v, text, sizeof text);
  return text;
}

// Markdown table cells must not break the row.
std::string Cell(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '|') out += "\\|";
    else if (c == '\n') out += ' ';
    else out += c;
  }
  return out;
}

const char* Tag(EKParamKind kind) {
  switch (kind) {
    case kKParamBool:
      return "B";
    case kKParamInt:
      return "I";
    case kKParamNumber:
      return "F";
    case kKParamWord:
      return "A";
    case kKParamPage:
      return "I or S";
    case kKParamNumberList:
    case kKParamText:
      return "S";
    default:
      return "DICT";
  }
}

std::string DefaultOf(SKCab* defaults, const char* key) {
  switch (KCabGetType(defaults, key)) {
    case kKCabTypeBool:
      return KCabGetBool(defaults, key, 0) ? "1" : "0";
    case kKCabTypeInt:
      return std::to_string(KCabGetInt(defaults, key, 0));
    case kKCabTypeDouble: {
      // As the settings hold them: four decimals, no trailing zeros.
      char text[64];
      std::snprintf(text, sizeof text, "%.4f", KCabGetDouble(defaults, key, 0));
      std::string out = text;
      while (out.back() == '0') out.pop_back();
      if (out.back() == '.') out.pop_back();
      return out == "-0" ? "0" : out;
    }
    case kKCabTypeAtom:
      return ASAtomGetString(KCabGetAtom(defaults, key, ASAtomNull));
    case kKCabTypeString: {
      std::string text = KCabGetString(defaults, key);
      while (!text.empty() && text.back() == ' ') text.pop_back();
      return text.empty() ? "empty" : "\"" + text + "\"";
    }
    default:
      return "not set";
  }
}

std::string Allowed(const SKParamDef* def) {
  char text[1000];
  switch (def->kind) {
    case kKParamBool:
      return "1 or 0";
    case kKParamWord: {
      if (!def->words) return "a word";
      KParamFormatWords(def, text, sizeof text);
      std::string out = text;
      if (def->flags & kKParamRefuseUnknownWord) out += "; another word is refused";
      else if (const char* fallback = KParamDefaultWord(def)) out += std::string("; another word: ") + fallback;
      else out += "; another word is ignored";
      return out;
    }
    case kKParamPageSize:
      KParamFormatRange(def, text, sizeof text);
      return std::string("Type Blank with Width and Height from ") + text +
             ", or Type Background with DIPath, From and To (pages of the file from 0)";
    case kKParamPage:
      KParamFormatRange(def, text, sizeof text);
      return std::string(text) + ", or a text such as \"last\" or \"last-2\"";
    case kKParamNumberList: {
      KParamFormatRange(def, text, sizeof text);
      std::string most = def->maxCount > 0 ? "at most " + std::to_string(def->maxCount) + " " : "";
      return most + "numbers separated by blanks, each from " + text;
    }
    case kKParamText:
      return "text";
    default:
      KParamFormatRange(def, text, sizeof text);
      return text;
  }
}

// Cabinet XML as a user writes it, one entry a line.
void WriteXML(std::string& out, SKCab* cab, int depth) {
  struct Sink {
    std::string* out;
    int depth;
  } sink{&out, depth};
  KCabConstEnum(
      cab,
      [](SKCab* c, const char* key, ASInt32 type, void* data) -> ASBool {
        auto* s = static_cast<Sink*>(data);
        std::string pad((size_t)s->depth * 2, ' ');
        std::string value;
        const char* tag = nullptr;
        switch (type) {
          case kKCabTypeBool:
            tag = "B";
            value = KCabGetBool(c, key, 0) ? "1" : "0";
            break;
          case kKCabTypeInt:
            tag = "I";
            value = std::to_string(KCabGetInt(c, key, 0));
            break;
          case kKCabTypeDouble:
            tag = "F";
            value = Number(KCabGetDouble(c, key, 0));
            break;
          case kKCabTypeAtom:
            tag = "A";
            value = ASAtomGetString(KCabGetAtom(c, key, ASAtomNull));
            break;
          case kKCabTypeString:
            tag = "S";
            value = KCabGetString(c, key);
            break;
          case kKCabTypeCab:
            *s->out += pad + "<DICT N='" + key + "'><ITEMS>\n";
            WriteXML(*s->out, KCabGetCab(c, key), s->depth + 1);
            *s->out += pad + "</ITEMS></DICT>\n";
            return 1;
          default:
            return 1;
        }
        *s->out += pad + "<" + tag + " N='" + key + "'>" + value + "</" + tag + ">\n";
        return 1;
      },
      &sink);
}

struct SRows {
  std::string* out;
  SKCab* defaults;
};

void Row(const SKParamDef* def, void* data) {
  auto* r = static_cast<SRows*>(data);
  if (def->flags & kKParamInternal) return;
  std::string kind = std::string(KParamKindName(def->kind)) + " `<" + Tag(def->kind) + ">`";
  std::string dflt = DefaultOf(r->defaults, def->key);
  if (def->flags & kKParamRequired) dflt = "required";
  *r->out += "| `" + std::string(def->key) + "` | " + Cell(kind) + " | " + Cell(dflt) + " | " +
             Cell(Allowed(def)) + " | " + Cell(def->about ? def->about : "") + " |\n";
}

// The keys a mode leaves unread, one line for the keys of each condition, in
// the order of the table's list.
void NotRead(std::string& out, const SKParamTable* t) {
  if (!t->unread || !t->unread->key) return;
  std::vector<std::pair<std::string, std::vector<std::string>>> lines;
  for (const SKParamUnread* rule = t->unread; rule->key; ++rule) {
    const std::string when = KParamUnreadWhenText(rule);
    auto line = std::find_if(lines.begin(), lines.end(), [&](const auto& l) { return l.first == when; });
    if (line == lines.end()) line = lines.insert(lines.end(), {when, {}});
    line->second.push_back(std::string("`") + rule->key + "`");
  }
  out += "Keys that these modes do not read (a parameter file that gives one is warned that it is ignored; one "
         "typed with `--set` stops kvhost before anything runs, naming the setting that makes it read):\n\n";
  for (const auto& [when, keys] : lines) {
    std::string list;
    for (size_t i = 0; i < keys.size(); ++i)
      list += (i == 0 ? "" : i + 1 == keys.size() ? " and " : ", ") + keys[i];
    out += "- " + list + " with " + when + "\n";
  }
  out += "\n";
}

void Command(std::string& out, const SCommandParams& c) {
  const SKParamTable* t = c.table;
  SKCab* definition = c.builder ? c.builder() : nullptr;
  SKCab* defaults = definition ? KCabGetCab(definition, "DefaultParams") : nullptr;
  out += "## " + std::string(t->command) + "\n\n";
  out += std::string(1, (char)std::toupper((unsigned char)t->about[0])) + (t->about + 1) + ".\n\n";
  bool any = false;
  KParamTableEnum(
      t, [](const SKParamDef* s, void* d) { *static_cast<bool*>(d) |= !(s->flags & kKParamInternal); }, &any);
  if (any) {
    out += "| Key | Kind | Default | Allowed | Meaning |\n|---|---|---|---|---|\n";
    SRows rows{&out, defaults};
    KParamTableEnum(t, Row, &rows);
    out += "\n";
  } else {
    out += "It has no parameters of its own.\n\n";
  }
  if (t->crossNotes) out += std::string(t->crossNotes) + "\n\n";
  if (t->notes) out += std::string(t->notes) + "\n\n";
  NotRead(out, t);
  SKCab* example = KCabNewInner();
  if (t->example) t->example(example);
  const bool newDoc = KCabGetBool(example, "NewDoc", 0) || std::string(t->command) == "CreateSample";
  std::string file = std::string(t->command) + ".xml";
  out += "A parameter file that runs (`" + file + "`):\n\n```xml\n<RUVURAZAR xmlns=\"" + kKCabXMLNamespace +
         "\">\n<ITEMS>\n";
  WriteXML(out, example, 0);
  out += "</ITEMS>\n</RUVURAZAR>\n```\n\n";
  const std::string input = std::string(t->command) == "CreateSample" ? "" : " in.pdf";
  out += "```sh\nkvhost --params " + file + " --command " + t->command +
         (newDoc ? " --save-all out" : " --save out.pdf") + input + "\n```\n\n";
  KCabDestroy(example);
  if (definition) KCabDestroy(definition);
}

}  // namespace

std::string ParamReferenceMarkdown() {
  std::string out =
      "# Parameters of the commands\n\n"
      "This file is generated from the command definitions and their parameter tables: change those, then run "
      "`make params-doc`. A test fails while it is out of date.\n\n"
      "`kvhost --params FILE.xml --command KEY` runs a command with the parameters of FILE.xml over the command's "
      "defaults; `kvhost --list-commands` lists the keys. A parameter file is cabinet XML: a `RUVURAZAR` root with "
      "one `ITEMS` element that holds one element per parameter, named by its `N` attribute:\n\n"
      "| Element | Holds |\n|---|---|\n"
      "| `<B N='key'>1</B>` | true (1) or false (0) |\n"
      "| `<I N='key'>2</I>` | a whole number |\n"
      "| `<F N='key'>18.5</F>` | a number (`nan` and `inf` are read, and refused) |\n"
      "| `<A N='key'>Word</A>` | a word |\n"
      "| `<S N='key'>text</S>` | text |\n"
      "| `<DICT N='key'><ITEMS>...</ITEMS></DICT>` | a group of entries, such as a page size |\n\n"
      "Lengths are in points: 72 pt = 1 inch = 25.4 mm. A4 is 595.276 x 841.89 pt, Letter 612 x 792 pt.\n\n"
      "Without a file, `kvhost --set KEY=VALUE --command KEY` gives the command one parameter (one `--set` per "
      "parameter, each over the defaults and over a `--params` file's value): `--set FitAcross=2 --set UseScale=1 "
      "--set DoScaling=ToFit`. The value is read as the key's kind below: `1` or `0` (also `true`, `false`, `yes`, "
      "`no`), lengths with a unit (`10mm`, `1cm`, `0.5in`, `18pt`; points without one), a page size by a name of "
      "the page-size lists or a standard name (" +
      std::string(PageSizeStandardNamesText()) +
      "), in any letter case (`--set Page=A4`, `--set Page=sra3`), or as width x height (`--set Page=85x55mm`), "
      "its orientation given apart (`--set PageOrientation=Wide`, not `Page=A4 landscape`), a key inside a group by "
      "its path (`--set Page:Width=10in`). A word is read in any letter case (`--set Paginate=single` is Single).\n\n"
      "What is typed on the command line is read strictly. Before any step runs, kvhost checks every `--command` "
      "with its `--params` file and its `--set` values as they will run (the defaults, then the file, then the "
      "settings), and stops with exit status 2, having run and saved nothing, for: a value that does not read as "
      "its kind or that a run would refuse; a key the command does not have (naming its nearest keys: `FitDonw is "
      "not a parameter of Nup; did you mean FitDown?`); a word the key does not take (with the words it takes and "
      "the nearest); a key the chosen mode does not read (naming the setting that makes it read); a rule that joins "
      "keys; a command or named action that does not exist (naming the nearest command). What a parameter file "
      "holds is checked then too, and read as stored files are: its refusals exit 1, its unknown keys and unread "
      "keys are warned about.\n\n"
      "Every run checks its parameters, whether they come from a file, from `--set`, from the dialogs, from the "
      "parameters remembered from the last run, from a replayed command history or from a named action:\n\n"
      "- a value of the wrong kind, a number that is not finite or lies outside its range, and a word a key does "
      "not take when it has no fallback are refused: the run stops with a message that names the key and what it "
      "takes, changes nothing and exits 1;\n"
      "- an unknown key, and an unknown word of a key that falls back to its default, give a warning on standard "
      "error that names them; the run goes on (so that stored files keep working);\n"
      "- a key that a parameter file gives and that the mode chosen does not read (each command lists them) gives "
      "a warning that names the key and the mode; the run goes on;\n"
      "- an element whose text does not read (`<I N='FitAcross'>two</I>`) is named with its line.\n\n"
      "A parameter file (and a file of dialog answers) must be well-formed cabinet XML: a file that is no XML, "
      "XML of another kind, a file cut off, or one with an element whose end tag is missing is refused, and the "
      "message names the file, the line and what was found there. So is what would otherwise be passed over with "
      "what it holds: a second `<ITEMS>`, an element cabinet XML does not have (`<Q N='FitAcross'>`) or one where "
      "it does not go, and text beside the entries. Attribute values read the same in single and double quotes "
      "(the namespace too), with entities and character references (`&amp;`, `&#233;`) as in element text.\n\n"
      "A key that is not set takes the command's own default, given in its Meaning. "
      "The system keeps a few keys of its own in the parameters (such as `Interactive`, `Source`, `Requires`, "
      "`PosX`); they are not listed here and need not be written.\n\n";
  for (const SCommandParams* c = CommandParamsList(); c->table; ++c) Command(out, *c);
  return out;
}
