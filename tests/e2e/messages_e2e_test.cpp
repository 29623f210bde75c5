// What an operator meets when a run is refused, through kvhost as a user
// runs it: each message on standard error says what happened, precisely,
// and how to go on; the run exits 1 and leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fixtures/Fixtures.h"
#include "support/CabinetXML.h"
#include "support/Shell.h"
#include "support/SourceTree.h"
#include "support/TempDir.h"

namespace {

using kvtest::Shell;
using Outcome = kvtest::ShellOutcome;

const char* const kNamespace = kKCabXMLNamespace;

using kvtest::ParamsXML;

// Two pages: a Letter page, then one whose boxes are 0 x 0.
std::string ZeroSizePagePdf() {
  const std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 0 0] >>",
  };
  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t at : offsets) {
    std::string n = std::to_string(at);
    pdf += std::string(10 - n.size(), '0') + n + " 00000 n \n";
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

class Messages : public ::testing::Test {
 protected:
  // kvhost run in the folder cwd (the test's folder when empty); the outcome
  // holds standard error only.
  Outcome Kvhost(const std::string& args, const std::string& cwd = "") {
    return Shell("{ cd " + (cwd.empty() ? dir.path() : cwd) + " && " KV_TEST_BUILD_DIR "/kvhost --quiet --prefs " +
                 dir.file("prefs") + " " + args + " >/dev/null; }");
  }
  std::string Doc(const char* name, int pages) {
    std::string path = dir.file(name);
    kvfix::WriteSimple(path, pages);
    return path;
  }
  std::string File(const std::string& name, const std::string& text) {
    std::string path = dir.file(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    kvtest::WriteWholeFile(path, text);
    return path;
  }
  // Runs and checks the refusal: status 1, the text on standard error, no
  // file saved.
  void Refused(const std::string& args, const std::string& says, const std::string& cwd = "") {
    const std::string out = dir.file("out.pdf");
    std::filesystem::remove(out);
    Outcome r = Kvhost(args + " --save " + out, cwd);
    EXPECT_EQ(1, r.status) << args << "\n" << r.out;
    EXPECT_TRUE(r.Says(says)) << args << "\nwanted: " << says << "\nstandard error:\n" << r.out;
    EXPECT_FALSE(std::filesystem::exists(out)) << args;
  }

  kvtest::TempDir dir;
};

// A document that does not open says what it is, and for a password how to
// remove it, as the README's limits say.
TEST_F(Messages, ADocumentThatDoesNotOpenSaysWhatItIs) {
  std::string locked = dir.file("enc.pdf");
  kvfix::WriteEncrypted(locked, "secret", "owner");
  std::string garbage = dir.file("garbage.pdf");
  kvfix::WriteGarbage(garbage);
  struct Case {
    std::string file;
    std::string says;
  } cases[] = {
      {locked,
       "kvhost: cannot open " + locked +
           ": The document needs a password, which this program cannot take: remove the password first, for example "
           "with qpdf --decrypt --password=PASSWORD in.pdf plain.pdf."},
      {File("notes.pdf", "Dear customer,\nthe proofs follow.\n"),
       ": The file is not a PDF: it has no %PDF- header. Check that it is the file you meant."},
      {garbage, ": The file is not a PDF: it has no %PDF- header."},
      {File("empty.pdf", ""), ": The file is empty (0 bytes): it holds no PDF. Make or copy it again."},
  };
  for (const Case& c : cases) Refused("--command ReversePageOrder " + c.file, c.says);
  const std::string readme = kvtest::ReadWholeFile(kvtest::SourcePath("README.md"));
  EXPECT_NE(std::string::npos, readme.find("qpdf --decrypt --password=... in.pdf plain.pdf"));
}

// A relative path in the parameters is taken from the folder kvhost runs in,
// not from the parameter file's; a replay from another folder that finds
// nothing names the path as it was looked for.
TEST_F(Messages, ARelativePathIsTakenFromTheFolderKvhostRunsIn) {
  const std::string work = dir.file("work"), other = dir.file("other"), params = dir.file("params");
  for (const std::string& folder : {work, other, params}) std::filesystem::create_directories(folder);
  kvfix::WriteSimple(work + "/cover.pdf", 1);
  kvfix::WriteSimple(params + "/cover.pdf", 1);  // beside the parameter file: not where it is looked for
  const std::string in = Doc("in.pdf", 2);
  const std::string insert = File("params/insert.xml", ParamsXML("<A N='Action'>File</A>\n<S N='Path'>cover.pdf</S>\n"
                                                                 "<A N='Where'>AtStart</A>"));
  const std::string background =
      File("params/background.xml",
           ParamsXML("<DICT N='Page'><ITEMS><A N='Type'>Background</A><S N='DIPath'>cover.pdf</S>"
                     "<I N='From'>0</I><I N='To'>0</I></ITEMS></DICT>"));
  const std::string missing = "The file cover.pdf in the folder " + other +
                              " could not be opened. The file was not found. The path cover.pdf is relative: it is "
                              "taken from the folder the program runs in.";
  Refused("--params " + insert + " --command InsertBlanks " + in, missing, other);
  Refused("--params " + background + " --command Nup " + in, missing, other);
  // Run where the file is, then replayed from elsewhere.
  for (const std::string& p : {insert, background}) {
    const std::string made = dir.file("made.pdf");
    Outcome r = Kvhost("--params " + p + " --command " + (p == insert ? "InsertBlanks" : "Nup") + " --save " + made +
                           " " + in,
                       work);
    ASSERT_EQ(0, r.status) << r.out;
    Refused("--replay " + made + " " + in, missing, other);
  }
}

// The file to insert from that does not open is named with its folder as
// it was looked for: "/" for a file in the top folder, the folder kvhost
// runs in for a relative path, and every folder of a nested one.
TEST_F(Messages, AFileThatDoesNotOpenIsNamedWithItsFolder) {
  const std::string in = Doc("in.pdf", 2);
  const std::string work = dir.file("work");
  std::filesystem::create_directories(work + "/a/b");
  const std::string relative =
      " is relative: it is taken from the folder the program runs in. Give the whole path, or run the program from "
      "the folder the path starts in.";
  struct Case {
    std::string path;  // DIPath as given
    std::string says;
  } cases[] = {
      {"/kv-no-such-file.pdf",
       "The file kv-no-such-file.pdf in the folder / could not be opened. The file was not found."},
      {dir.file("a/b/missing.pdf"),
       "The file missing.pdf in the folder " + dir.file("a/b") + " could not be opened. The file was not found."},
      {"missing.pdf", "The file missing.pdf in the folder " + work +
                          " could not be opened. The file was not found. The path missing.pdf" + relative},
      {"a/b/missing.pdf", "The file missing.pdf in the folder " + work +
                              "/a/b could not be opened. The file was not found. The path a/b/missing.pdf" + relative},
  };
  ASSERT_FALSE(std::filesystem::exists("/kv-no-such-file.pdf"));
  for (const Case& c : cases)
    Refused("--set Action=File --set DIPath=" + c.path + " --command InsertBlanks " + in, c.says, work);
}

// A parameter file that does not read names the file, the line and what was
// found there; one that is not well-formed is refused like any other.
TEST_F(Messages, AParameterFileThatDoesNotReadIsNamedWithItsLine) {
  const std::string in = Doc("in.pdf", 2);
  const std::string whole = ParamsXML("<B N='NewDoc'>1</B>");
  struct Case {
    const char* file;
    std::string text;
    std::string says;
  } cases[] = {
      {"notxml.xml", "NewDoc = 1\n",
       " could not be read as cabinet XML: line 1 holds \"NewDoc = 1\", not an element; cabinet XML is a RUVURAZAR "
       "element that holds one ITEMS element."},
      {"cut.xml", whole.substr(0, 70),
       " could not be read: line 1, <RUVURAZAR> is not closed before the text ends on line 3; is the file cut off?"},
      {"foreign.xml", "<?xml version='1.0'?>\n<html><body/></html>\n",
       " could not be read as cabinet XML: line 2 begins with the element <html>, where cabinet XML begins with "
       "<RUVURAZAR>."},
      {"noend.xml", std::string("<RUVURAZAR xmlns=\"") + kNamespace + "\">\n<ITEMS>\n<B N='NewDoc'>1</B>\n</RUVURAZAR>\n",
       " could not be read: line 2, <ITEMS> is not closed before </RUVURAZAR> on line 4; add its </ITEMS>."},
  };
  for (const Case& c : cases) {
    const std::string path = File(c.file, c.text);
    Refused("--params " + path + " --command ReversePageOrder " + in,
            "kvhost: --command ReversePageOrder: The command parameters in " + path + c.says);
  }
  // Answers read from the command line are held to the same.
  const std::string answers = File("answers.xml", cases[3].text);
  Refused("--answers " + answers + " --menu KRVL:Velmora3:ReversePages " + in,
          "The dialog answers in " + answers + cases[3].says);
}

// A whole number too large names the range its key takes.
TEST_F(Messages, AWholeNumberTooLargeSaysItsRange) {
  const std::string p = File("count.xml", ParamsXML("<I N='Count'>99999999999</I>"));
  Refused("--params " + p + " --command CreateSample",
          "The command parameters in " + p +
              " could not be read: line 3, Count holds 99999999999, which is out of its range: Count takes a whole "
              "number from 1 to 100000 pages.");
}

// Limits are said with their numbers; an order list longer than the limit
// is told as the list's fault, not as pages inserted.
TEST_F(Messages, LimitsAreSaidWithTheirNumbers) {
  const std::string in = Doc("in.pdf", 3);
  const std::string cover = Doc("cover.pdf", 3);
  const std::string copies =
      File("copies.xml", ParamsXML("<A N='Action'>File</A>\n<S N='Path'>" + cover +
                                   "</S>\n<I N='Copies'>37000</I>\n<A N='Where'>AtEnd</A>"));
  Refused("--params " + copies + " --command InsertBlanks " + in,
          "Inserting 111000 pages at once is more than this command allows: a run inserts at most 100000 pages.");
  std::string order;
  for (int i = 0; i < 200000; ++i) order += "1 ";
  const std::string shuffle = File("order.xml", ParamsXML("<S N='Order'>" + order + "</S>"));
  Refused("--params " + shuffle + " --command Shuffle " + in,
          "The page order (Order) lists 200000 pages; it may list at most 100000. Nothing was changed: shorten the "
          "list");
}

// N-up's exact fit says what the sheet does hold of the pages.
TEST_F(Messages, AnExactFitThatFailsSaysWhatTheSheetHolds) {
  const std::string p =
      File("exact.xml", ParamsXML("<DICT N='Page'><ITEMS><A N='Type'>Blank</A><F N='Width'>1224</F>"
                                  "<F N='Height'>792</F></ITEMS></DICT>\n<A N='PageOrientation'>Wide</A>\n"
                                  "<I N='FitAcross'>3</I>\n<I N='FitDown'>1</I>\n<B N='ExactFit'>1</B>"));
  Refused("--params " + p + " --command Nup " + Doc("in.pdf", 4),
          "The sheet does not hold exactly 3 pages across and 1 rows down: at full size these pages go 2 across and 1 "
          "down on it (the sheet is 1224 x 792 pt).");
}

// Trim and shift on a page without a size blames the page, not the amounts.
TEST_F(Messages, APageWithoutSizeIsNamed) {
  const std::string in = File("zero.pdf", ZeroSizePagePdf());
  const std::string p = File("shift.xml", ParamsXML("<A N='Shift'>Fixed</A>\n<F N='ShiftFrom'>10</F>"));
  Refused("--params " + p + " --command TrimAndShift " + in,
          "Page 2 has no size (it shows 0 x 0 pt), so nothing of it can be trimmed or shifted. Give the page a size "
          "first, or leave it out of the pages worked on (Source:Range).");
}

}  // namespace
