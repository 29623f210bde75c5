#include "commands/ShuffleAssistant.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "commands/ShuffleCmd.h"
#include "commands/ShuffleSupport.h"
#include "engine/OrderList.h"
#include "engine/OrderListPreview.h"
#include "foundation/Alerts.h"
#include "foundation/KCab.h"
#include "foundation/MessageFormat.h"
#include "foundation/MessageTable.h"
#include "host/AV.h"
#include "host/PD.h"
#include "kctl/KCtl.h"
#include "kctl/KCtlAlert.h"
#include "kctl/KCtlExport.h"
#include "kctl/KCtlRuntime.h"
#include "kctl/KCtlStock.h"
#include "kctl/KCtlMac.h"
#include "kctl/mac/MacDialog.h"
#include "kctl/mac/MacDialogItems.h"
#include "kctl/mac/PDFCtl.h"
#include "platform/Pf.h"

using namespace shuffle_support;

namespace {

const char* const rotatestring[4] = {"", "<", "*", ">"};

const SKCabEnumWord kRotateWords[] = {{0, "R0"}, {1, "R90"}, {2, "R180"}, {3, "R270"}, {0, nullptr}};

constexpr ASInt32 kMaxGridSide = 8;
constexpr ASInt32 kMaxComfortableSide = 5;
constexpr ASInt32 kMaxPages = 99999;
constexpr ASInt32 kLivePreviewId = 120;
constexpr ASInt32 kBackId = 3;
constexpr size_t kLiveTextLimit = 1000;
constexpr ASInt32 kLiveBufferSize = 20000;

struct Info {
  SOrderInfo* info;
  explicit Info(SKCab* values) : info(NewOrderInfo(values)) {}
  ~Info() {
    if (info) DestroyOrderInfo(info);
  }
  Info(const Info&) = delete;
  Info& operator=(const Info&) = delete;
};

// Wide: a typed page may be the largest 32-bit number.
ASInt64 Partner(ASInt64 p) { return (p & 1) ? p + 1 : p - 1; }

std::string CellKey(ASInt32 n) { return std::to_string(n); }
std::string TurnKey(ASInt32 n) { return "E" + std::to_string(n); }

// The grid as the values hold it.
struct Grid {
  ASInt32 r = 2, c = 2, rc = 4, n = 8;
  ASInt32 rf = 0, bf = 0;
  bool front90 = false, back180 = false;
  std::vector<ASInt32> cells;  // 0 not given, -1 not a number
  std::vector<bool> present;
  std::vector<bool> turned;

  explicit Grid(SKCab* values) {
    r = KCabGetInt(values, "PreviewRows", 2);
    c = KCabGetInt(values, "PreviewCols", 2);
    // A grid the assistant cannot show has no cells.
    if (r < 1 || r > kMaxGridSide || c < 1 || c > kMaxGridSide) r = c = 0;
    rc = r * c;
    n = std::max(0, KCabGetInt(values, "PageCount", 8));
    rf = KCabEkAtomToEnumTable(KCabGetAtom(values, "RotateFront", Atom("R0")), kRotateWords) & 3;
    front90 = KCabGetBool(values, "Front90", 0);
    back180 = KCabGetBool(values, "Back180", 0);
    bf = (rf + (back180 ? 2 : 0)) % 4;
    for (ASInt32 k = 0; k < rc; ++k) {
      std::string key = CellKey(k);
      present.push_back(KCabKnown(values, key.c_str()));
      cells.push_back(KCabGetInt(values, key.c_str(), 0));
      turned.push_back(KCabGetBool(values, TurnKey(k).c_str(), 0));
    }
  }
  ASInt32 Lowest() const {
    ASInt32 lo = cells.empty() ? 0 : cells[0];
    for (ASInt32 p : cells) lo = std::min(lo, p);
    return lo;
  }
  ASInt32 Highest() const {
    ASInt32 hi = cells.empty() ? 0 : cells[0];
    for (ASInt32 p : cells) hi = std::max(hi, p);
    return hi;
  }
  ASInt32 At(ASInt32 i, ASInt32 j) const { return cells[(size_t)(i * c + j)]; }
  bool TurnedAt(ASInt32 i, ASInt32 j) const { return turned[(size_t)(i * c + j)]; }
};

// Which cell shows at position n of a front or back pass, and the token's turn.
ASInt32 CellAt(const Grid& g, ASInt32 n, bool front, ASInt32* quarterTurns) {
  const ASInt32 o = front ? g.rf : g.bf;
  const ASInt32 extra = g.front90 ? (front ? 1 : 3) : 0;
  ASInt32 cell = n;
  if (!(front && o == 0)) {
    const bool straight = o == 0 || o == 2;
    const ASInt32 A = straight ? g.r : g.c, B = straight ? g.c : g.r;
    const ASInt32 q0 = B ? n / B : 0, m = B ? n % B : 0;
    if (front) {
      if (o == 2) cell = A * B - (m + B * q0) - 1;
      else if (o == 3) cell = A * (B - m - 1) + q0;
      else cell = m * A + A - q0 - 1;  // o == 1
    } else {
      if (o == 2) cell = A * B - (B - m + B * q0 - 1) - 1;
      else if (o == 3) cell = A - q0 + A * (B - m - 1) - 1;
      else if (o == 0) cell = B - m + B * q0 - 1;
      else cell = A * m + q0;  // o == 1
    }
  }
  if (cell < 0 || cell >= g.rc) cell = -1;
  if (quarterTurns) *quarterTurns = (o + (cell >= 0 && g.turned[(size_t)cell] ? 2 : 0) + extra) % 4;
  return cell;
}

ASInt32 PageAt(const Grid& g, ASInt32 n, bool front, ASInt32* q) {
  ASInt32 cell = CellAt(g, n, front, q);
  if (cell < 0 || !g.present[(size_t)cell]) return -1;
  return g.cells[(size_t)cell];
}

// Counting tables. Every page that occurs is counted, also pages above
// PageCount + 1 (those can only come from a typing slip, and must not hide a
// duplicate).
bool GridHasDuplicates(const Grid& g, bool pairs, ASInt32* page) {
  std::map<ASInt64, int> seen;
  for (ASInt32 p : g.cells) {
    if (p < 1) continue;
    ASInt64 key = pairs ? ((ASInt64)p + 1) / 2 : p;
    if (seen[key]++ > 0) {
      if (page) *page = p;
      return true;
    }
  }
  return false;
}

bool GridDuplicatesEqually(const Grid& g, bool pairs, ASInt32* m) {
  std::map<ASInt64, int> counts;
  for (ASInt32 p : g.cells) {
    if (p < 1) continue;
    ++counts[p];
    if (pairs) ++counts[Partner(p)];
  }
  int highest = 0;
  for (const auto& kv : counts) highest = std::max(highest, kv.second);
  if (m) *m = highest;
  if (highest < 2) return true;
  for (const auto& kv : counts)
    if (kv.second != highest) return false;
  return true;
}

// The N-sided test: N and the group H it needs.
bool NSided(const Grid& g, ASInt32 m2, bool equal2, ASInt32* sides, ASInt32* high) {
  if (g.rc < 1 || !equal2 || g.Lowest() != 1) return false;
  const ASInt32 H = g.Highest();
  if (H < 4 || H % 4 != 0) return false;
  const ASInt64 N = (ASInt64)H * m2 / g.rc;
  const ASInt64 G = N * g.rc;
  if (N < 1 || G < 1 || G > 1000000 || g.n % G != 0) return false;
  std::vector<ASInt32> counts((size_t)G + 1, 0);
  for (ASInt32 p : g.cells) {
    ASInt64 from = (p & 1) ? (ASInt64)p : p - N + 1, to = (p & 1) ? p + N - 1 : (ASInt64)p;
    if (from < 1 || to > G) return false;
    for (ASInt64 x = from; x <= to; ++x) ++counts[(size_t)x];
  }
  const ASInt32 first = counts[1];
  if (first < 1) return false;
  for (ASInt64 x = 2; x <= G / first; ++x)
    if (counts[(size_t)x] != first) return false;
  if (sides) *sides = (ASInt32)N;
  if (high) *high = H;
  return true;
}

void Message(char* out, size_t size, const char* key) {
  if (out && size) std::snprintf(out, size, "%s", Msg(key));
}

struct Counts {
  ASInt32 m1 = 1, m2 = 1;
  bool equal1 = true, equal2 = true;
  explicit Counts(const Grid& g) {
    equal1 = GridDuplicatesEqually(g, false, &m1);
    equal2 = GridDuplicatesEqually(g, true, &m2);
    if (!equal1 || m1 < 1) m1 = 1;
    if (!equal2 || m2 < 1) m2 = 1;
  }
};

ASInt32 Classify(const Grid& g, EOrderListType* type, char* message, size_t size) {
  if (message && size) message[0] = 0;
  *type = kOrderListNormal;
  if (g.rc < 1) {
    Message(message, size, "uikv.shuf.assistant.11");
    return kGridClassNone;
  }
  const ASInt32 n = g.n, rc = g.rc;
  for (ASInt32 p : g.cells) {
    if (p < 1) {
      Message(message, size, "uikv.shuf.assistant.11");
      return kGridClassNone;
    }
  }
  Counts k(g);
  ASInt32 d = 0;
  if (GridHasDuplicates(g, false, &d) && k.m1 == 1) {
    if (message && size) FormatMessageByKeyUTF8(nullptr, "uikv.shuf.assistant.1", nullptr, message, size, "l", (long)d);
    return kGridClassNone;
  }
  if ((ASInt64)rc == (ASInt64)k.m1 * n) return kGridClassOneSide;
  if (GridHasDuplicates(g, true, &d) && k.m2 == 1) {
    if (message && size)
      FormatMessageByKeyUTF8(nullptr, "uikv.shuf.assistant.2", nullptr, message, size, "ll", (long)d,
                             (long)Partner(d));
    return kGridClassNone;
  }
  const ASInt32 lo = g.Lowest(), hi = g.Highest();
  ASInt32 cls = kGridClassNone;
  if (2 * (ASInt64)rc == (ASInt64)k.m2 * n) {
    cls = kGridClassTwoSides;
  } else if (std::all_of(g.cells.begin(), g.cells.end(), [&](ASInt32 p) { return p <= 2 * rc / k.m2; })) {
    cls = kGridClassTwoSidesLow;
  }
  const ASInt32 s = rc / k.m1;
  if (!cls && n >= 4 && s >= 2) {
    bool cut = false;
    if (s == 2) {
      ASInt32 a = g.cells[0], b = rc > 1 ? g.cells[1] : 0;
      cut = (a == 1 && b == n / 2 + 1) || (b == 1 && a == n / 2 + 1);
    } else if (rc > 1) {
      const ASInt64 step = ((ASInt64)hi - lo) / (rc - 1);
      cut = step != 0 && std::all_of(g.cells.begin(), g.cells.end(), [&](ASInt64 p) { return (p - lo) % step == 0; });
    }
    if (cut) {
      cls = kGridClassCutStacks;
      *type = kOrderListCutStacksDouble;
    }
  }
  if (!cls && s > 1) {
    bool middle = std::any_of(g.cells.begin(), g.cells.end(), [&](ASInt32 p) { return p > s && p <= n - s; });
    if (!middle && (ASInt64)lo - 1 == (ASInt64)n - hi) {
      cls = kGridClassSaddle;
      *type = kOrderListSaddleStitch;
    }
  }
  const ASInt64 four = 4 * (ASInt64)rc;
  if (!cls && n % four == 0) {
    if (std::all_of(g.cells.begin(), g.cells.end(),
                    [&](ASInt64 p) { return (p & 1) ? p + 3 <= four : (p >= 4 && p <= four); }))
      cls = kGridClassFourPasses;
  }
  if (!cls && n % four == 0) {
    if (std::all_of(g.cells.begin(), g.cells.end(), [&](ASInt64 p) {
          ASInt64 from = (p & 1) ? p : p - 3, to = (p & 1) ? p + 3 : p;
          return from >= 1 && to <= n && !(from < n - 2 * (ASInt64)rc && to > 2 * (ASInt64)rc);
        })) {
      cls = kGridClassSaddleFour;
      *type = kOrderListSaddleStitch;
    }
  }
  if (!cls) {
    Message(message, size, NSided(g, k.m2, k.equal2, nullptr, nullptr) ? "uikv.shuf.assistant.14"
                                                                         : "uikv.shuf.assistant.3");
    *type = kOrderListNormal;
    return kGridClassNone;
  }
  // Classes with backs cannot hold both sides of one leaf on one side.
  if (GridHasDuplicates(g, true, nullptr)) {
    Message(message, size, "uikv.shuf.assistant.14");
    *type = kOrderListNormal;
    return kGridClassNone;
  }
  return cls;
}

void AppendToken(std::string* out, ASInt64 page, ASInt32 q) {
  char token[40];
  std::snprintf(token, sizeof token, "%ld%s ", (long)page, rotatestring[q & 3]);
  *out += token;
}

bool Mirrored(const Grid& g, bool leftRight) {
  if (g.rc < 1) return false;
  for (ASInt32 i = 0; i < g.r; ++i) {
    for (ASInt32 j = 0; j < g.c; ++j) {
      ASInt32 mi = leftRight ? i : g.r - 1 - i, mj = leftRight ? g.c - 1 - j : j;
      if (g.At(i, j) != Partner(g.At(mi, mj))) return false;
      bool same = g.TurnedAt(i, j) == g.TurnedAt(mi, mj);
      if (leftRight ? !same : same) return false;
    }
  }
  return true;
}

// ---- step 1

ASInt32 Step1ClickNext(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  KCabHolder values(CurrentValues(dialog));
  const char* problem = ShuffleAssistantStep1Problem(KCabGetInt(values.get(), "PreviewRows", 2),
                                                     KCabGetInt(values.get(), "PreviewCols", 2),
                                                     KCabGetInt(values.get(), "PageCount", 8));
  if (problem) {
    ErrMessageUTF8(Msg(problem));
    return kKCtlCallBackStop;
  }
  return kKCtlCallBackVerifyCommitTerminate;
}

ASInt32 RunStep1(SKCab* values, ASBool interactive) {
  return RunNewDialog("dlg.shufass.1.title", 400, 400, 130, values, interactive, nullptr, [&](SKCtlDialog* d) {
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shufass.1.1"), nullptr);
    SKCtlElem* grid = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.shufass.1.2"), nullptr);
    KCtlStock_PromptCount(d, 0, grid, Msg("dlg.shufflepreview.7"), nullptr, "PreviewCols", ShuffleMin("PreviewCols"),
                          ShuffleMax("PreviewCols"), nullptr);
    KCtlStock_PromptCount(d, 0, grid, Msg("dlg.shufflepreview.8"), nullptr, "PreviewRows", ShuffleMin("PreviewRows"),
                          ShuffleMax("PreviewRows"), nullptr);
    SKCtlElem* pages = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.shufass.1.3"), nullptr);
    KCtlStock_PromptCount(d, 0, pages, Msg("dlg.shufass.1.3"), nullptr, "PageCount", ShuffleMin("PageCount"),
                          ShuffleMax("PageCount"), nullptr);
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shufass.1.5"), pages);
    KCtlSetActionId(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagNoRole, -1,
                                      Msg("common.button.back"), nullptr),
                    kKCtlTriggerClick, kKCtlActionEnd, kBackId);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagCancel, 2, Msg("common.button.cancel"), nullptr);
    KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagOK, 1,
                                            Msg("common.button.next"), nullptr),
                          kKCtlTriggerClick, Step1ClickNext, nullptr);
  });
}

// ---- step 2

EKCtlExportCallBackReturn CellExport(SMacDialogInfo* dialog, ASInt32 id, ASInt32 kind, SKCab* cab, const char* key,
                                     void*) {
  if (kind == kKCtlExportLoad) {
    if (!dialog) return 0;
    ASInt32 v = KCabGetInt(cab, key, 0);
    char text[32];
    if (v > 0) std::snprintf(text, sizeof text, "%ld", (long)v);
    else std::snprintf(text, sizeof text, "?");
    MacDialogSetItemTextUTF8(dialog, id, text);
    return 0;
  }
  if (kind != kKCtlExportStore && kind != kKCtlExportVerify && kind != kKCtlExportVerifyReport) return 0;
  char buffer[64] = "";
  if (dialog) MacDialogGetItemTextUTF8(dialog, id, buffer, sizeof buffer);
  std::string text = buffer;
  size_t a = text.find_first_not_of(" \t"), b = text.find_last_not_of(" \t");
  text = a == std::string::npos ? std::string() : text.substr(a, b - a + 1);
  const bool empty = text.empty() || text == "?";
  if (kind == kKCtlExportStore) {
    long v = 0;
    if (empty) KCabPutInt(cab, key, 0);
    else if (std::sscanf(text.c_str(), "%ld", &v) == 1 && v >= -2147483647L && v <= 2147483647L)
      KCabPutInt(cab, key, (ASInt32)v);
    else KCabPutInt(cab, key, -1);
    return 0;
  }
  ASInt32 v = 0;
  if (empty || KCtlParseInt32(text.c_str(), &v, 1)) return 0;
  if (kind == kKCtlExportVerifyReport && dialog) {
    PfSysBeep();
    MacDialogSelectEditItem(dialog, id);
  }
  return 1;
}

void ShuffleAssistantShowLivePreview(SMacDialogInfo* dialog) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || data->loadNesting > 0) return;
  // Only the declared frame: a generated id may take the same number.
  SKCtlElem* frame = KCtlPlatformGetElemFromControlId(data, kLivePreviewId);
  if (!frame || frame->controlId != kLivePreviewId) return;
  KCabHolder values(CurrentValues(dialog));
  std::string front, back;
  ASInt32 ft = 0, bt = 0;
  ShuffleAssistantLiveTexts(values.get(), &front, &back, &ft, &bt);
  std::string buffer((size_t)kLiveBufferSize, '\0');
  ASInt32 width = 0, height = 0;
  const ASInt32 rows = KCabGetInt(values.get(), "PreviewRows", 2), cols = KCabGetInt(values.get(), "PreviewCols", 2);
  FormatShuffleLiveSheets(buffer.data(), kLiveBufferSize, &width, &height, front.c_str(), back.c_str(), cols, rows,
                          rows >= 5, (EWhatRotate)ft, (EWhatRotate)bt);
  PDFCtlSetDrawMode(dialog, kLivePreviewId, kPDFCtlFit, width, height);
  PDFCtlSetStream(dialog, kLivePreviewId, buffer.c_str(), -1);
}

ASInt32 Regenerate(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  ShuffleAssistantShowLivePreview(dialog);
  return kKCtlCallBackGoOn;
}

ASInt32 ShuffleAssistantDialog2ClickNext(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  SKCtlData* data = KCtlDataForDialog(dialog);
  if (!data || !KCtlVerifyElements(dialog, data)) return kKCtlCallBackStop;
  KCabHolder values(CurrentValues(dialog));
  if (!ShuffleAssistantConvertToRule(values.get(), KCtlExportCabForDialog(dialog), nullptr, 0))
    return kKCtlCallBackStop;
  return kKCtlCallBackCommitTerminate;
}

ASInt32 ShuffleAssistantDialog2ClickPreview(SMacDialogInfo* dialog, ASInt32, ASInt32, void*) {
  KCabHolder copy(CurrentValues(dialog));
  char message[300];
  EOrderListType type = kOrderListNormal;
  ASInt32 cls = ClassifyInputWrapper(copy.get(), &type, message, sizeof message);
  std::string rule;
  ASInt32 group = 0;
  if (!cls || !GenerateRule(copy.get(), cls, &rule, &group, 0)) {
    ErrMessageUTF8(cls ? rule.c_str() : message);
    return kKCtlCallBackGoOn;
  }
  KCabPutAtom(copy.get(), "Type", Atom(KCabEkEnumToStringTable(type, kTypeWords)));
  KCabPutStringCopy(copy.get(), "Order", rule.c_str());
  KCabPutInt(copy.get(), "GroupSize", group);
  ASInt32 rf = KCabEkAtomToEnumTable(KCabGetAtom(copy.get(), "RotateFront", Atom("R0")), kRotateWords);
  if (rf == 1 || rf == 3) {
    ASInt32 r = KCabGetInt(copy.get(), "PreviewRows", 2);
    KCabPutInt(copy.get(), "PreviewRows", KCabGetInt(copy.get(), "PreviewCols", 2));
    KCabPutInt(copy.get(), "PreviewCols", r);
  }
  KCabPutBool(copy.get(), "Interactive", KCtlStockDialogIsInteractive(dialog));
  RunShufflePreviewDialog(copy.get(), 0);
  return kKCtlCallBackGoOn;
}

ASInt32 RunStep2(SKCab* values, ASBool interactive) {
  const ASInt32 r = KCabGetInt(values, "PreviewRows", 2), c = KCabGetInt(values, "PreviewCols", 2);
  const ASInt32 pages = KCabGetInt(values, "PageCount", 8);
  const bool twoSides = (ASInt64)r * c < pages;
  return RunNewDialog("dlg.shufass.2.title", 400, 400, 130, values, interactive, PDFCtlDialogProc, [&](SKCtlDialog* d) {
    KCtlAddNewElement(d, kKCtlStaticText, 0, -1, Msg("dlg.shufass.2.1"), nullptr);
    SKCtlElem* grid =
        KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg(twoSides ? "dlg.shufass.2.3" : "dlg.shufass.2.2"), nullptr);
    for (ASInt32 i = 0; i < r; ++i) {
      for (ASInt32 j = 0; j < c; ++j) {
        const ASInt32 n = i * c + j;
        SKCtlElem* box = KCtlAddNewElement(d, kKCtlContainer, j + 1 < c ? kKCtlFlagSameRow : 0u, -1, nullptr, grid);
        SKCtlElem* edit = KCtlAddNewElement(d, kKCtlEditText, kKCtlFlagSameRow | kKCtlFlagOwnsKey, -1, "999999", box);
        KCtlSetExportKeyProc(CellKey(n).c_str(), CellExport, nullptr, edit);
        KCtlSetActionCallback(edit, kKCtlTriggerEditChanged, Regenerate, nullptr);
        SKCtlElem* turn = KCtlAddNewElement(d, kKCtlCheckBox, kKCtlFlagOwnsKey, -1, "180\xC2\xB0", box);
        KCtlSetExportKey(TurnKey(n).c_str(), turn);
        KCtlSetActionCallback(turn, kKCtlTriggerChecked, Regenerate, nullptr);
        KCtlSetActionCallback(turn, kKCtlTriggerUnchecked, Regenerate, nullptr);
      }
    }
    SKCtlElem* f90 =
        KCtlAddNewElement(d, kKCtlCheckBox, twoSides ? kKCtlFlagSameRow : 0u, -1, Msg("dlg.shufass.2.10"), nullptr);
    KCtlSetExportKey("Front90", f90);
    KCtlSetActionCallback(f90, kKCtlTriggerChecked, Regenerate, nullptr);
    KCtlSetActionCallback(f90, kKCtlTriggerUnchecked, Regenerate, nullptr);
    if (twoSides) {
      KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, "  ", nullptr);
      SKCtlElem* b180 = KCtlAddNewElement(d, kKCtlCheckBox, 0, -1, Msg("dlg.shufass.2.11"), nullptr);
      KCtlSetExportKey("Back180", b180);
      KCtlSetActionCallback(b180, kKCtlTriggerChecked, Regenerate, nullptr);
      KCtlSetActionCallback(b180, kKCtlTriggerUnchecked, Regenerate, nullptr);
      SKCtlElem* live = KCtlAddNewElement(d, kKCtlGroupBox, 0, -1, Msg("dlg.shufass.2.20"), nullptr);
      SKCtlElem* frame = KCtlAddNewElement(d, kKCtlFrame, kKCtlFlagSameRow, kLivePreviewId, nullptr, live);
      if (r > 4) KCtlForceElementSize(100, 250, frame);
      else KCtlForceElementSize(300, 100, frame);
      KCtlSetActionCallback(frame, kKCtlTriggerLoaded, Regenerate, nullptr);
      KCtlAddNewElement(d, kKCtlStaticText, kKCtlFlagSameRow, -1, "  ", live);
      KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagNoRole | kKCtlFlagInBody, -1,
                                              Msg("common.button.more"), live),
                            kKCtlTriggerClick, ShuffleAssistantDialog2ClickPreview, nullptr);
    }
    KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagNoRole, kBackId,
                                            Msg("common.button.back"), nullptr),
                          kKCtlTriggerClick,
                          [](SMacDialogInfo*, ASInt32, ASInt32, void*) -> ASInt32 {
                            return kKCtlCallBackCommitTerminate;
                          },
                          nullptr);
    KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagCancel, 2, Msg("common.button.cancel"), nullptr);
    KCtlSetActionCallback(KCtlAddNewElement(d, kKCtlPushButton, kKCtlFlagBottom | kKCtlFlagOK, 1,
                                            Msg("common.button.finish"), nullptr),
                          kKCtlTriggerClick, ShuffleAssistantDialog2ClickNext, nullptr);
  });
}

// ---- rule to grid helpers

bool AllTokensInGroup(const SOrderInfo* info) {
  std::vector<char> used((size_t)info->groupSize + 1, 0);
  for (ASInt32 k = 0; k < info->count; ++k) {
    ASInt32 p = info->pages[k];
    if (p < 1 || p > info->groupSize) return false;
    used[(size_t)p] = 1;
  }
  for (ASInt32 p = 1; p <= info->groupSize; ++p)
    if (!used[(size_t)p]) return false;
  return true;
}

}  // namespace

// ---- public

const char* ShuffleAssistantStep1Problem(ASInt32 rows, ASInt32 cols, ASInt32 pages) {
  if (rows < 1 || rows > kMaxGridSide) return "uikv.shuf.assistant.4";
  if (cols < 1 || cols > kMaxGridSide) return "uikv.shuf.assistant.5";
  if (rows == 1 && cols == 1) return "uikv.shuf.assistant.6";
  if (rows >= kMaxComfortableSide || cols >= kMaxComfortableSide) return "uikv.shuf.assistant.12";
  const ASInt32 rc = rows * cols;
  if (pages < rc) return "uikv.shuf.assistant.8";
  if (pages != rc && pages % (2 * rc) != 0) return "uikv.shuf.assistant.9";
  if (pages > kMaxPages) return "uikv.shuf.assistant.10";
  return nullptr;
}

ASInt32 GetNthPageNumberAdj(SKCab* values, ASInt32 n, ASBool front, ASInt32* quarterTurns) {
  Grid g(values);
  return PageAt(g, n, front != 0, quarterTurns);
}

ASInt32 ClassifyInputWrapper(SKCab* values, EOrderListType* type, char* message, size_t size) {
  EOrderListType t = kOrderListNormal;
  ASInt32 cls = Classify(Grid(values), &t, message, size);
  if (type) *type = t;
  return cls;
}

ASBool GenerateRule(SKCab* values, ASInt32 gridClass, std::string* out, ASInt32* groupSize, ASBool frontsOnly) {
  out->clear();
  Grid g(values);
  Counts k(g);
  const ASInt32 rc = g.rc;
  auto repeat = [&](ASInt32 passes, bool saddle, ASInt64 G) {
    const ASInt64 half = g.n / 2;
    for (ASInt32 pass = 0; pass < passes; ++pass) {
      const bool front = pass % 2 == 0;
      if (!front && frontsOnly) continue;
      for (ASInt32 n = 0; n < rc; ++n) {
        ASInt32 q = 0;
        ASInt64 p = PageAt(g, n, front, &q);
        if (saddle && p > half) p = G - (g.n - p);
        AppendToken(out, (p & 1) ? p + pass : p - pass, q);
      }
    }
  };
  ASInt32 group = 4;
  bool ok = rc >= 1;
  switch (ok ? gridClass : kGridClassNone) {
    case kGridClassOneSide:
      repeat(1, false, 0);
      group = rc / k.m1;
      break;
    case kGridClassTwoSides:
    case kGridClassTwoSidesLow:
      repeat(2, false, 0);
      group = 2 * rc / k.m2;
      break;
    case kGridClassFourPasses:
      repeat(4, false, 0);
      group = 4 * rc / k.m2;
      break;
    case kGridClassSaddle:
      repeat(2, true, (ASInt64)rc * 2 / k.m2);
      group = 2 * rc / k.m2;
      break;
    case kGridClassSaddleFour:
      repeat(4, true, (ASInt64)rc * 4 / k.m2);
      group = 4 * rc / k.m2;
      break;
    case kGridClassCutStacks: {
      const ASInt64 lo = g.Lowest(), hi = g.Highest(), stacks = rc / k.m1 - 1;
      const ASInt64 step = stacks > 0 ? (hi - lo) / stacks : 0;
      if (step == 0) {
        ok = false;
        break;
      }
      for (ASInt32 pass = 0; pass < 2; ++pass) {
        if (pass == 1 && frontsOnly) break;
        for (ASInt32 n = 0; n < rc; ++n) {
          ASInt32 q = 0;
          const ASInt64 p = PageAt(g, n, pass == 0, &q);
          const ASInt64 v = lo + ((p - lo) / step) * 2;
          AppendToken(out, pass == 0 ? v : Partner(v), q);
        }
      }
      group = 2 * rc / k.m2;
      break;
    }
    case kGridClassNSided: {
      ASInt32 sides = 0, high = 0;
      if (!NSided(g, k.m2, k.equal2, &sides, &high)) {
        ok = false;
        break;
      }
      repeat(sides, false, 0);
      group = high;
      break;
    }
    default:
      ok = false;
      break;
  }
  if (!ok) {
    *out = "Internal error: Bad rule!";
    group = 4;
  }
  if (groupSize) *groupSize = group;
  return ok ? 1 : 0;
}

ASBool ShuffleAssistantConvertToRule(SKCab* values, SKCab* target, char* message, size_t size) {
  char own[300];
  const bool report = message == nullptr || size == 0;
  if (report) {
    message = own;
    size = sizeof own;
  }
  EOrderListType type = kOrderListNormal;
  ASInt32 cls = ClassifyInputWrapper(values, &type, message, size);
  if (!cls) {
    if (report) ErrMessageUTF8(message);
    return 0;
  }
  Grid g(values);
  ASBool frontsOnly = 0;
  // One pass has no backs to leave out: nothing to ask.
  if (cls != kGridClassOneSide && (Mirrored(g, true) || Mirrored(g, false))) {
    ASInt32 answer = KCtlAlertCustomButtons(nullptr, Msg("uiimp.5.front.backs"), Msg("common.button.yes"),
                                            Msg("common.button.no"), Msg("common.button.cancel"));
    if (answer == 2) frontsOnly = 1;
    else if (answer != 1) return 0;
  }
  ASAtom typeAtom = Atom(KCabEkEnumToStringTable(type, kTypeWords));
  KCabPutAtom(values, "Type", typeAtom);
  if (target) KCabPutAtom(target, "Type", typeAtom);
  std::string rule;
  ASInt32 group = 4;
  if (!GenerateRule(values, cls, &rule, &group, frontsOnly)) {
    std::snprintf(message, size, "%s", rule.c_str());
    if (report) ErrMessageUTF8(message);
    return 0;
  }
  if (target) {
    KCabPutStringCopy(target, "Order", rule.c_str());
    KCabPutInt(target, "GroupSize", group);
    V3ShuffleParamsCopyListInfo(values, target);
  }
  return 1;
}

ASInt32 ShuffleRuleGetBackRotate(const SOrderInfo* info, ASInt32 rows, ASInt32 cols, ASBool* ok) {
  const ASInt64 rc = (ASInt64)rows * cols;
  if (ok) *ok = 1;
  if (!info || rc < 1 || info->count < 2 * rc) {
    if (ok) *ok = 0;
    return 0;
  }
  const ASInt32 first = info->pages[0], rot0 = info->rotations[0];
  const ASInt64 i1 = rc + cols - 1, i2 = 2 * rc - cols;
  ASInt32 r1 = info->rotations[i1], r2 = info->rotations[i2];
  if (rot0 == 1 || rot0 == 3) {
    r1 = (r1 + 2) % 4;
    r2 = (r2 + 2) % 4;
  }
  if (first >= 1 && info->pages[i1] == Partner(first) && r1 == rot0) return 0;
  if (first >= 1 && info->pages[i2] == Partner(first) && r2 == (rot0 + 2) % 4) return 2;
  if (ok) *ok = 0;
  return 0;
}

ASBool ShuffleRuleCouldConvertToAssistant(SKCab* values, ASInt32 rows, ASInt32 cols) {
  if (rows < 1 || cols < 1 || rows > kMaxGridSide || cols > kMaxGridSide) return 0;
  Info parsed(values);
  const SOrderInfo* info = parsed.info;
  if (!info || info->type == kOrderListCutStacksSingle) return 0;
  const ASInt64 rc = (ASInt64)rows * cols;
  const bool oneSide = info->count == rc;
  if (!oneSide && info->count % (2 * rc) != 0) return 0;
  if (oneSide ? info->type != kOrderListNormal
              : (info->type != kOrderListNormal && info->type != kOrderListSaddleStitch &&
                 info->type != kOrderListCutStacksDouble))
    return 0;
  if (!AllTokensInGroup(info)) return 0;
  // Quarter turns may not be mixed with unturned or half-turned tokens.
  bool anyQuarter = false, anyStraight = false;
  for (ASInt32 k = 0; k < info->count; ++k) ((info->rotations[k] & 1) ? anyQuarter : anyStraight) = true;
  if (anyQuarter && anyStraight) return 0;
  if (oneSide) return 1;
  ASBool ok = 0;
  const ASInt32 backTurn = ShuffleRuleGetBackRotate(info, rows, cols, &ok);
  if (!ok) return 0;
  const ASInt64 sides = info->count / rc;
  for (ASInt64 side = 1; side < sides; ++side) {
    for (ASInt32 i = 0; i < rows; ++i) {
      for (ASInt32 j = 0; j < cols; ++j) {
        const ASInt64 n = (ASInt64)i * cols + j;
        const ASInt32 p = info->pages[n], rot = info->rotations[n];
        ASInt64 place = n;
        ASInt32 wantRot = rot;
        if (side & 1) {
          place = backTurn == 2 ? (ASInt64)(rows - 1 - i) * cols + j : (ASInt64)i * cols + (cols - 1 - j);
          wantRot = (rot + backTurn + ((rot & 1) ? 2 : 0)) % 4;
        }
        const ASInt64 index = side * rc + place;
        const ASInt64 wantPage = (p & 1) ? p + side : p - side;
        if (info->pages[index] != wantPage || info->rotations[index] != wantRot) return 0;
      }
    }
  }
  return 1;
}

ASBool ShuffleRuleCouldConvertToAssistant2(SKCab* values, ASInt32* rows, ASInt32* cols) {
  for (ASInt32 r = 1; r <= kMaxGridSide; ++r) {
    for (ASInt32 c = 1; c <= kMaxGridSide; ++c) {
      if (ShuffleRuleCouldConvertToAssistant(values, r, c)) {
        if (rows) *rows = r;
        if (cols) *cols = c;
        return 1;
      }
    }
  }
  return 0;
}

ASBool ShuffleRuleConvertToAssistant(SKCab* values, SKCab* target, ASInt32 rows, ASInt32 cols, ASInt32 pageCount,
                                     ASInt32* pagesOut) {
  if (rows < 1 || cols < 1 || rows > kMaxGridSide || cols > kMaxGridSide) return 0;
  Info parsed(values);
  const SOrderInfo* info = parsed.info;
  const char* rule = KCabGetString(values, "Order");
  if (!info || !rule || info->type == kOrderListCutStacksSingle) return 0;
  const ASInt32 rc = rows * cols;
  const bool front90 = info->type == kOrderListSaddleStitch || info->type == kOrderListCutStacksDouble;
  ASInt32 backTurn = 0, pages = rc;
  ASBool ok = 1;
  if (info->count / rc != 1) {
    backTurn = ShuffleRuleGetBackRotate(info, rows, cols, &ok);
    if (info->type != kOrderListNormal && info->type != kOrderListSaddleStitch &&
        info->type != kOrderListCutStacksDouble)
      ok = 0;
    ASInt64 wide = pageCount >= 1 ? pageCount : KCabGetInt(values, "PageCount", 0);
    const ASInt64 g = info->groupSize;
    if (info->type != kOrderListNormal) wide = std::max(wide, 2 * g);
    else if (wide < g) wide = 2 * g;
    if (g > 0) wide = (wide + g - 1) / g * g;
    // Whole groups that still fit a page count.
    while (g > 0 && wide > 0x7fffffff) wide -= g;
    pages = (ASInt32)wide;
  }
  SCellData* cells = NewOrderListCellData(rule, info->groupSize, info->type, pages);
  if (!cells) return 0;
  OffsetOrderListCellData(cells, 0);
  for (ASInt32 n = 0; n < rc; ++n) {
    EWhatRotate rot = kWhatRotateNone;
    ASInt32 page = -1;
    NextOrderListCellInfo(cells, nullptr, &rot, &page);
    KCabPutInt(target, CellKey(n).c_str(), page);
    KCabPutBool(target, TurnKey(n).c_str(), rot == kWhatRotate90 || rot == kWhatRotate180);
  }
  ASfree(cells);
  KCabPutBool(target, "Back180", backTurn == 2);
  KCabPutBool(target, "Front90", front90);
  KCabPutInt(target, "PageCount", pages);
  KCabPutInt(target, "PreviewRows", rows);
  KCabPutInt(target, "PreviewCols", cols);
  if (pagesOut) *pagesOut = pages;
  return ok;
}

void ShuffleAssistantLiveTexts(SKCab* values, std::string* front, std::string* back, ASInt32* frontTurn,
                               ASInt32* backTurn) {
  Grid g(values);
  const ASInt32 fe = g.front90 ? 1 : 0, be = g.front90 ? 3 : 0;
  const ASInt32 total = g.rc;
  auto token = [&](std::string* out, ASInt32 cell, bool partner, ASInt32 o, ASInt32 extra) {
    if (out->size() >= kLiveTextLimit) return;
    std::string t;
    ASInt32 p = cell >= 0 && cell < total && g.present[(size_t)cell] ? g.cells[(size_t)cell] : 0;
    bool turned = cell >= 0 && cell < total && g.turned[(size_t)cell];
    if (p > 0) {
      const ASInt64 shown = partner ? Partner(p) : p;
      t = (shown <= g.n ? " " : " r") + std::to_string(shown);
    } else {
      t = p < 0 ? " r?" : " ?";
    }
    t += rotatestring[(o + (turned ? 2 : 0) + extra) % 4];
    if (out->size() + t.size() <= kLiveTextLimit) *out += t;
  };
  front->clear();
  back->clear();
  {
    const bool odd = g.rf & 1;
    const ASInt32 h = odd ? g.c : g.r, w = odd ? g.r : g.c;
    for (ASInt32 i = 0; i < h; ++i) {
      for (ASInt32 j = 0; j < w; ++j) {
        ASInt32 cell;
        if (g.rf == 0) cell = i * w + j;
        else if (g.rf == 2) cell = total - i * w - j - 1;
        else if (g.rf == 1) cell = h * j + h - i - 1;
        else cell = (w - j - 1) * h + i;
        token(front, cell, false, g.rf, fe);
      }
    }
  }
  {
    const bool odd = g.bf & 1;
    const ASInt32 h = odd ? g.c : g.r, w = odd ? g.r : g.c;
    for (ASInt32 i = 0; i < h; ++i) {
      for (ASInt32 j = 0; j < w; ++j) {
        ASInt32 cell;
        if (g.bf == 0) cell = w * (i + 1) - 1 - j;
        else if (g.bf == 2) cell = total - w * (i + 1) + j;
        else if (g.bf == 1) cell = h * j + i;
        else cell = h - i + (w - j - 1) * h - 1;
        token(back, cell, true, g.bf, be);
      }
    }
  }
  if (frontTurn) *frontTurn = g.rf;
  if (backTurn) *backTurn = g.bf;
}

ASBool DisplayAssistantDialogSequence(SKCab* values, ASBool interactive) {
  if (!values) return 0;
  PDDoc doc = FrontPDDoc();
  KCabPutInt(values, "PageCount", doc && interactive ? PDDocGetNumPages(doc) : 8);
  for (const char* key : {"PreviewRows", "PreviewCols"})
    if (!KCabKnown(values, key)) KCabPutInt(values, key, 2);
  if (!KCabKnown(values, "0")) {
    KCabPutInt(values, "0", KCabGetInt(values, "PageCount", 8));
    KCabPutInt(values, "1", 1);
  }
  for (;;) {
    if (RunStep1(values, interactive) != 1) return 0;
    ASInt32 result = RunStep2(values, interactive);
    if (result == 1) return 1;
    if (result != kBackId) return 0;
  }
}
