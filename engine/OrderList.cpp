#include "engine/OrderList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "engine/EngineImports.h"
#include "engine/EnginePrefs.h"
#include "engine/EnginePrivate.h"
#include "engine/InsertPages.h"
#include "foundation/Alerts.h"
#include "foundation/HostGlue.h"
#include "foundation/KCab.h"
#include "foundation/MFUtil.h"
#include "foundation/TextCut.h"
#include "foundation/RunCab.h"
#include "kctl/StatusBox.h"
#include "pdftools/PageBoxes.h"
#include "pdftools/PageInherit.h"
#include "pdftools/PageStamp.h"
#include "pdftools/PageWalk.h"
#include "pdftools/StructRecovery.h"
#include "pdftools/TextUtil.h"

using namespace engine_detail;

ASInt32 gShuffledDocNumber = 0;

namespace {

const SKCabEnumWord kTypeWords[] = {{kOrderListNormal, "Normal"},
                                    {kOrderListSaddleStitch, "SaddleStitch"},
                                    {kOrderListCutStacksSingle, "CutStacksSingle"},
                                    {kOrderListCutStacksDouble, "CutStacksDouble"},
                                    {kOrderListCutSignatures, "CutSignatures"},
                                    {kOrderListNormal, nullptr}};

bool IsBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }

const char* SkipBlanks(const char* p) {
  while (IsBlank(*p)) ++p;
  return p;
}

// The message of key followed by the offending text, cut to nine bytes
// (never inside a UTF-8 sequence) and "..." when longer.
void SetTokenError(char* error, const char* key, const char* offending) {
  std::string snippet = offending;
  if (snippet.size() > 9) {
    CutUTF8(snippet, 9);
    snippet += "...";
  }
  std::snprintf(error, kOrderListErrorSize, "%s%s", Msg(key), snippet.c_str());
}

struct Token {
  ASInt32 page;
  EWhatRotate rotate;
};

// Every token of the list; false (with the tokenizer's error) after a syntax error.
bool ReadTokens(const char* text, std::vector<Token>* tokens, char* error) {
  const char* cursor = text;
  Token t{0, kWhatRotateNone};
  while (OrderListGetNextToken(&cursor, &t.page, &t.rotate, error)) tokens->push_back(t);
  return error[0] == 0;
}

EWhatRotate Inverse(EWhatRotate r) { return (EWhatRotate)((4 - (r & 3)) & 3); }

void ShowFormatted(const char* key, const char* signature, long a, long b = 0) {
  char text[600];
  if (signature[1]) FormatMsg(text, sizeof text, key, signature, a, b);
  else FormatMsg(text, sizeof text, key, signature, a);
  ErrMessageUTF8(text);
}

void ShuffleStartProc(SKCab* run, SKCab* args) { ShuffleCallBackStart(run, args); }

}  // namespace

EOrderListType OrderListTypeFromCab(SKCab* params) {
  if (KCabGetType(params, "Type") != kKCabTypeAtom) return kOrderListNormal;
  return (EOrderListType)KCabEkAtomToEnumTable(KCabGetAtom(params, "Type", ASAtomNull), kTypeWords);
}

// ---- the tokenizer

ASUns16 OrderListGetNextToken(const char** cursor, ASInt32* page, EWhatRotate* rotate, char* error) {
  error[0] = 0;
  const char* p = SkipBlanks(*cursor);
  if (strncasecmp(p, "slowcopy", 8) == 0) p = SkipBlanks(p + 8);
  if (strncasecmp(p, "test", 4) == 0) p = SkipBlanks(p + 4);
  if (!*p) {
    *cursor = p;
    return 0;
  }
  const char* tokenStart = p;
  ASInt32 value = 0;
  if (*p == 'x' || *p == 'X') {
    value = -1;
    ++p;
  } else if (*p >= '0' && *p <= '9') {
    // Hostile lists hold numbers of any length: they saturate.
    ASInt64 v = 0;
    for (; *p >= '0' && *p <= '9'; ++p) v = std::min<ASInt64>(v * 10 + (*p - '0'), 0x7FFFFFFF);
    value = (ASInt32)v;
  } else {
    SetTokenError(error, "pagemg.7.badlist", tokenStart);
    return 0;
  }
  EWhatRotate turn = kWhatRotateNone;
  if (*p == '>') turn = kWhatRotate90;
  else if (*p == '*') turn = kWhatRotate180;
  else if (*p == '<') turn = kWhatRotate270;
  if (turn != kWhatRotateNone) ++p;
  if (*p && !IsBlank(*p) && *p != ',') {
    SetTokenError(error, "pagemg.7.badsuffix", tokenStart);
    return 0;
  }
  if (*p) ++p;
  *cursor = p;
  if (page) *page = value;
  if (rotate) *rotate = turn;
  return 1;
}

ASBool OrderListFillArray(const char* text, ASInt32* pages, EWhatRotate* rotations, ASInt32 capacity) {
  char error[kOrderListErrorSize];
  const char* cursor = text;
  ASInt32 page = 0, n = 0;
  EWhatRotate turn = kWhatRotateNone;
  while (OrderListGetNextToken(&cursor, &page, &turn, error)) {
    if (n < capacity) {
      pages[n] = page;
      if (rotations) rotations[n] = turn;
    }
    ++n;
  }
  return error[0] == 0;
}

// ---- the record

void DestroyOrderInfo(SOrderInfo* info) {
  if (!info) return;
  if (info->pages) ASfree(info->pages);
  if (info->rotations) ASfree(info->rotations);
  if (info->work) ASfree(info->work);
  ASfree(info);
}

SOrderInfo* NewOrderInfo(SKCab* params) {
  const char* text = KCabGetString(params, "Order");
  if (!text) return nullptr;
  const ASInt32 groupSize = KCabGetInt(params, "GroupSize", 16);
  if (groupSize > kOrderListMaxGroup) return nullptr;
  std::vector<Token> tokens;
  char error[kOrderListErrorSize];
  if (!ReadTokens(text, &tokens, error) || tokens.empty()) return nullptr;

  auto* info = static_cast<SOrderInfo*>(ASmallocWithException(sizeof(SOrderInfo)));
  std::memset(info, 0, sizeof *info);
  DURING
    const size_t n = tokens.size();
    info->count = (ASInt32)n;
    info->pages = static_cast<ASInt32*>(ASmallocWithException(n * sizeof(ASInt32)));
    info->rotations = static_cast<EWhatRotate*>(ASmallocWithException(n * sizeof(EWhatRotate)));
    info->type = OrderListTypeFromCab(params);
    info->groupSize = groupSize;
    const size_t workSize = (size_t)std::max<ASInt32>(groupSize, 0) + 1;
    info->work = static_cast<ASInt32*>(ASmallocWithException(workSize * sizeof(ASInt32)));
    for (size_t i = 0; i < n; ++i) {
      info->pages[i] = tokens[i].page;
      info->rotations[i] = tokens[i].rotate;
    }
  HANDLER
    DestroyOrderInfo(info);
    RERAISE();
  END_HANDLER
  return info;
}

// ---- checks

ASUns16 OrderListVerify(const char* text, ASInt32 groupSize, ASUns16 interactive) {
  if (groupSize <= 0) {
    ErrorKey("pagemg.7.grouptoosmall");
    return 0;
  }
  if (groupSize > kOrderListMaxGroup) {
    ErrorKey("pagemg.7.grouptoobig");
    return 0;
  }
  std::vector<ASInt32> uses((size_t)groupSize + 1, 0);
  ASInt32 firstDuplicate = 0;
  bool severalDuplicates = false, anyPage = false;
  char error[kOrderListErrorSize];
  const char* cursor = text ? text : "";
  ASInt32 page = 0;
  EWhatRotate turn = kWhatRotateNone;
  while (OrderListGetNextToken(&cursor, &page, &turn, error)) {
    if (page == -1) continue;
    if (page < 1 || page > groupSize) {
      ShowFormatted("pagemg.7.pageoutsidegroup", "ll", (long)page, (long)groupSize);
      return 0;
    }
    anyPage = true;
    if (uses[page]++ > 0) {
      if (!firstDuplicate) firstDuplicate = page;
      else if (page != firstDuplicate) severalDuplicates = true;
    }
  }
  if (!anyPage) {
    ErrorKey("pagemg.7.onlyx");
    return 0;
  }
  if (error[0]) {
    ErrMessageUTF8(error);
    return 0;
  }
  char question[1200];
  if (firstDuplicate) {
    if (!interactive) {
      ShowFormatted("pagemg.7.wouldduplicate", "l", (long)firstDuplicate);
      return 0;
    }
    FormatMsg(question, sizeof question,
              severalDuplicates ? "pagemg.7.confirm.willduplicatepages" : "pagemg.7.confirm.willduplicateonepage", "l",
              (long)firstDuplicate);
    if (!ConfirmMessageUTF8(question, 1)) return 0;
  }
  std::string lost;
  ASInt32 lostCount = 0;
  for (ASInt32 k = 1; k <= groupSize; ++k) {
    if (uses[k]) continue;
    ++lostCount;
    if (lost.size() > 30) {
      lost += Msg("pagemg.7.andothers");
      break;
    }
    lost += std::to_string(k) + " ";
  }
  if (lostCount == 0) return 1;
  const char* key = lostCount == 1 ? "pagemg.7.confirm.willlosepage" : "pagemg.7.confirm.willlosepages";
  if (!interactive) key = "pagemg.7.woulddelete";
  FormatMsg(question, sizeof question, key, "s", lost.c_str());
  if (!interactive) {
    ErrMessageUTF8(question);
    return 0;
  }
  return ConfirmMessageUTF8(question, 1) ? 1 : 0;
}

ASBool OrderListHasBetterGroupSize(SKCab* params, ASInt32* betterSize) {
  SOrderInfo* info = NewOrderInfo(params);
  if (!info) return 0;
  ASInt32 highest = -1;
  for (ASInt32 i = 0; i < info->count; ++i) highest = std::max(highest, info->pages[i]);
  ASBool better = 0;
  // A group size is 1..999: nothing else is worth offering.
  if (highest != info->groupSize && highest >= 1 && highest <= kOrderListMaxGroup) {
    std::vector<ASInt32> counts((size_t)highest + 1, 0);
    for (ASInt32 i = 0; i < info->count; ++i) {
      if (info->pages[i] >= 1) ++counts[info->pages[i]];
    }
    better = 1;
    for (ASInt32 k = 2; k <= highest; ++k) {
      if (counts[k] != counts[1]) better = 0;
    }
    if (better && betterSize) *betterSize = highest;
  }
  DestroyOrderInfo(info);
  return better;
}

// ---- slots and rotation

ASInt64 OrderListSlotSourcePage(EOrderListType type, ASInt64 g, ASInt64 k, ASInt64 groupSize, ASInt64 paddedCount) {
  if (groupSize <= 1 || type < kOrderListNormal || type > kOrderListCutSignatures) type = kOrderListNormal;
  const ASInt64 G = groupSize, h = G / 2, R = G > 0 ? paddedCount / G : 0;
  switch (type) {
    case kOrderListSaddleStitch:
      // Each group takes h pages from the front and G - h from the back.
      return k <= h ? g * h + k : paddedCount - g * (G - h) - (G - k);
    case kOrderListCutStacksSingle:
      return (k - 1) * R + g + 1;
    case kOrderListCutStacksDouble:
      return 2 * g + ((k - 1) / 2) * 2 * R + (k - 1) % 2 + 1;
    case kOrderListCutSignatures:
      return 4 * g + ((k - 1) / 4) * 4 * R + (k - 1) % 4 + 1;
    default:
      return g * G + k;
  }
}

void OrderListRotatePage(PDDoc doc, ASInt32 pageIndex, EWhatRotate rotate) {
  const ASInt32 steps = rotate & 3;
  if (!steps) return;
  PageHolder page(doc, pageIndex);
  const PDRotate r = PDPageGetRotate(page.get());
  if (r != 0 && r != 90 && r != 180 && r != 270) return;
  PDPageSetRotate(page.get(), (r + 90 * steps) % 360);
}

// ---- execution

namespace {

// The work of one shuffle.
struct SShuffle {
  PDDoc source = nullptr;   // the user's document
  PDDoc made = nullptr;     // the new document, while it is ours to close
  PDDoc scratch = nullptr;  // the pristine copy for slow copies
  PDDoc work = nullptr;     // where the pages are shuffled
  PDDoc pristine = nullptr;
  ASInt64 N = 0, G = 0, h = 0, R = 0, padded = 0;
  EOrderListType type = kOrderListNormal;
  bool slow = false, test = false;
  std::vector<Token> tokens;
  ASFixedPoint lastBlank{0, 0};
  ASInt32 placed = 0;
  ProgressMonitor monitor = nullptr;
  void* monitorData = nullptr;
  ProgressMonitor nullMonitor = nullptr;
  void* nullData = nullptr;

  void CloseExtras() {
    if (made) PDDocClose(made);
    if (scratch) PDDocClose(scratch);
    made = scratch = nullptr;
  }

  // A blank page after index after, of the given size, with the boxes and
  // rotation of page boxesFrom (none when negative). A refused blank (its
  // reason shown) fails the shuffle: a page would be missing.
  void Blank(ASInt32 after, ASFixedPoint size, ASInt32 boxesFrom) {
    if (!InsertBlankPages(nullptr, work, size.h, size.v, CosNewNull(), kInsertAfterNum, 1, after, 0, nullptr))
      ASRaise(genErrBadParm);
    if (boxesFrom >= 0) ClonePageBoxAndRotationByPageNum(work, boxesFrom, after + 1);
  }

  // A blank at P like its neighbour before it (the first page when P is 0).
  void BlankLikeNeighbour(ASInt32 P) {
    const ASInt32 neighbour = P > 0 ? P - 1 : 0;
    lastBlank = VisibleSize(work, neighbour);
    Blank(P - 1, lastBlank, P > 0 ? P - 1 : 1);
  }

  bool SlotValid(ASInt32 k) const { return k >= 1 && k <= G; }

  // The user's cancel at a group's start: true to stop.
  bool CancelAsked() {
    if (!CheckStatusBoxCancel(nullptr)) return false;
    if (made) return true;
    if (ConfirmKey("pagemg.7.confirm.cancelshuffle")) {
      SetStatusBoxTextUtf8(Msg("pagemg.7.status.continuing"));
      return false;
    }
    return true;
  }

  void Pad() {
    const ASInt64 B = padded - N;
    lastBlank = VisibleSize(work, (ASInt32)N - 1);
    if (B <= 0) return;
    bool boxes = false;
    {
      PageHolder last(work, (ASInt32)N - 1);
      CosObj dict = PDPageGetCosObj(last.get());
      boxes = CosObjGetType(CosDictGetKeyString(dict, "BleedBox")) == CosArray ||
              CosObjGetType(CosDictGetKeyString(dict, "TrimBox")) == CosArray;
    }
    if (!InsertBlankPages(nullptr, work, lastBlank.h, lastBlank.v, CosNewNull(), kInsertAtEnd, (ASInt32)B, 0, 0,
                          nullptr))
      ASRaise(genErrBadParm);
    if (boxes) {
      for (ASInt64 i = N; i < padded; ++i) ClonePageBoxAndRotationByPageNum(work, (ASInt32)N - 1, (ASInt32)i);
    }
  }

  // The in-place build. False when the user stopped it.
  bool InPlace() {
    std::vector<ASInt64> pos((size_t)G + 1, 0);
    std::vector<EWhatRotate> turned((size_t)G + 1, kWhatRotateNone);
    ASInt64 P = 0;
    for (ASInt64 g = 0; g * G < padded; ++g) {
      if (CancelAsked()) return false;
      const ASInt64 T = PDDocGetNumPages(work), Rg = R - g;
      for (ASInt64 k = 1; k <= G; ++k) {
        ASInt64 p = P + k - 1;
        switch (type) {
          case kOrderListSaddleStitch:
            p = k <= h ? P + k - 1 : T - 1 - (G - k);
            break;
          case kOrderListCutStacksSingle:
            p = P + (k - 1) * Rg;
            break;
          case kOrderListCutStacksDouble:
            p = P + (k - 1) % 2 + ((k - 1) / 2) * 2 * Rg;
            break;
          case kOrderListCutSignatures:
            p = P + (k - 1) % 4 + ((k - 1) / 4) * 4 * Rg;
            break;
          default:
            break;
        }
        pos[k] = p;
        turned[k] = kWhatRotateNone;
      }
      auto shiftFrom = [&](ASInt64 from) {
        for (ASInt64 j = 1; j <= G; ++j)
          if (pos[j] >= from) ++pos[j];
      };
      for (const Token& t : tokens) {
        const ASInt32 at = (ASInt32)P;
        if (!SlotValid(t.page)) {
          // A blank, and so is a slot outside the group: the list was not checked.
          BlankLikeNeighbour(at);
          shiftFrom(P);
        } else if (pos[t.page] == P) {
          turned[t.page] = t.rotate;
        } else if (pos[t.page] > P) {
          const ASInt64 old = pos[t.page];
          PDDocMovePage(work, at - 1, (ASInt32)old);
          for (ASInt64 j = 1; j <= G; ++j)
            if (pos[j] >= P && pos[j] < old) ++pos[j];
          pos[t.page] = P;
          turned[t.page] = t.rotate;
        } else {
          const ASInt64 src = OrderListSlotSourcePage(type, g, t.page, G, padded) - 1;
          if (src >= N || src < 0) {
            Blank(at - 1, lastBlank, -1);
          } else if (slow && (made || scratch)) {
            PDDocInsertAndStampPages(work, at - 1, pristine, (ASInt32)src, 1, PDInsertAll, nullMonitor, nullData,
                                     nullptr, nullptr, nullptr, 0, 0, 0);
          } else {
            PDDocDuplicatePage(work, (ASInt32)pos[t.page], at - 1, 1);
            OrderListRotatePage(work, at, Inverse(turned[t.page]));
          }
          shiftFrom(P);
        }
        OrderListRotatePage(work, at, t.rotate);
        ++placed;
        ++P;
      }
      // The pages of the slots no token used, wherever the list type put them.
      std::vector<ASInt64> unused;
      for (ASInt64 k = 1; k <= G; ++k)
        if (pos[k] >= P) unused.push_back(pos[k]);
      std::sort(unused.rbegin(), unused.rend());
      for (ASInt64 p : unused)
        PDDocDeletePagesWithBadStructRecovery(work, (ASInt32)p, (ASInt32)p, nullMonitor, nullData);
      ProgressMonitorSetCurrValue(monitor, (ASInt32)(g + 1), monitorData);
    }
    return true;
  }

  // The test build: the result is appended, then the old pages go. A stop
  // takes away what was appended (the padding too): the document is left
  // with its own pages.
  bool TestBuild() {
    const ASInt64 base = PDDocGetNumPages(work);
    for (ASInt64 g = 0; g * G < base; ++g) {
      if (CancelAsked()) {
        if (!made && PDDocGetNumPages(work) > N)
          PDDocDeletePagesWithBadStructRecovery(work, (ASInt32)N, PDDocGetNumPages(work) - 1, nullMonitor, nullData);
        return false;
      }
      // The tags go only once the build has begun: a stop before it keeps them.
      if (g == 0 && DocHasStructure(work)) RemoveDocStructure(work);
      for (const Token& t : tokens) {
        const ASInt32 last = PDDocGetNumPages(work) - 1;
        const ASInt64 src = SlotValid(t.page) ? OrderListSlotSourcePage(type, g, t.page, G, base) - 1 : -1;
        if (src < 0 || src >= base) {
          lastBlank = VisibleSize(work, last);
          Blank(last, lastBlank, last);
        } else {
          PDDocDuplicatePage(work, (ASInt32)src, last, 1);
        }
        OrderListRotatePage(work, last + 1, t.rotate);
        ++placed;
      }
      ProgressMonitorSetCurrValue(monitor, (ASInt32)(g + 1), monitorData);
    }
    PDDocDeletePagesWithBadStructRecovery(work, 0, (ASInt32)base - 1, nullMonitor, nullData);
    return true;
  }
};

}  // namespace

ASUns16 OrderListExecuteInner(AVDoc view, PDDoc doc, const char* text, ASInt32 groupSize, ASUns16 newDoc,
                              EOrderListType type) {
  if (view) doc = AVDocGetPDDoc(view);
  if (!doc || !text) return 0;
  if (groupSize > kOrderListMaxGroup) {
    ErrorKey("pagemg.7.grouptoobig");
    return 0;
  }
  SShuffle s;
  char error[kOrderListErrorSize];
  // An unread list or one without pages would delete every page.
  if (!ReadTokens(text, &s.tokens, error)) {
    ErrMessageUTF8(error);
    return 0;
  }
  if (std::none_of(s.tokens.begin(), s.tokens.end(), [](const Token& t) { return t.page != -1; })) {
    ErrorKey("pagemg.7.onlyx");
    return 0;
  }
  s.source = doc;
  s.N = PDDocGetNumPages(doc);
  if (s.N == 0) return 1;
  // Every group gets one page per token; inserts stop at the same number. A
  // list longer than that is the list's fault whatever the document.
  if ((ASInt64)s.tokens.size() > kInsertMaxPages) {
    char text[400];
    FormatMsg(text, sizeof text, "pagemg.7.ordertoolong", "ll", (long)std::min<size_t>(s.tokens.size(), 0x7FFFFFFF),
              (long)kInsertMaxPages);
    ErrMessageUTF8(text);
    return 0;
  }
  const ASInt64 groups = groupSize > 0 ? (s.N + groupSize - 1) / groupSize : 1;
  if (groups * (ASInt64)s.tokens.size() > kInsertMaxPages) {
    ReportTooManyPages(groups * (ASInt64)s.tokens.size());
    return 0;
  }
  s.type = (type < kOrderListNormal || type > kOrderListCutSignatures || groupSize == 1) ? kOrderListNormal : type;
  s.G = groupSize;
  s.R = 1;
  ASInt64 B = 0;
  if (s.G > 0) {
    s.R = (s.N + s.G - 1) / s.G;
    B = s.R * s.G - s.N;
  }
  bool duplicates = false;
  if (s.G >= 1) {
    std::vector<char> seen((size_t)s.G + 1, 0);
    for (const Token& t : s.tokens) {
      if (t.page < 1 || t.page > s.G) continue;
      if (seen[t.page]) duplicates = true;
      seen[t.page] = 1;
    }
  }
  s.monitor = StatusBoxGetProgressMonitor(&s.monitorData, 0);
  s.nullMonitor = GetNullProgressMonitor(&s.nullData);
  s.slow = StrIStr(text, "slowcopy") != nullptr;
  s.test = StrIStr(text, "test") != nullptr;
  if (s.G <= 0) s.G = s.N;
  s.h = s.G / 2;
  s.padded = s.N + B;

  ASUns16 result = 1;
  bool progressBegun = false;
  DURING
    // Each copy of the document is a fifth of the run on the status line;
    // the shuffle, which grows faster than the book, has the rest.
    if (s.slow && !s.test && duplicates && (!newDoc || DocHasStructure(doc))) {
      SStatusBoxPart part(20, 100);
      SetStatusBoxTextUtf8(Msg("pagemg.7.status.copyingdoc"));
      s.scratch = PDDocCreatePerhapsClonePDFX(doc);
      if (!s.scratch) ASRaise(genErrNoMemory);
      if (!CopyAllPagesStamped(s.scratch, doc, 0)) {
        s.CloseExtras();
        CloseStatusBox();
        ErrorKey("pagemg.7.cancelled");
        E_RETURN(0);
      }
      RemoveDocStructure(s.scratch);
    }
    s.pristine = s.scratch ? s.scratch : doc;
    s.work = doc;
    if (newDoc) {
      SStatusBoxPart part(20, 100);
      SetStatusBoxTextUtf8(Msg("pagemg.7.status.copyingdoc"));
      s.made = PDDocCreatePerhapsClonePDFX(s.pristine);
      if (!s.made) ASRaise(genErrNoMemory);
      if (!CopyAllPagesStamped(s.made, s.pristine, gRemoveStructureInNewDoc)) {
        s.CloseExtras();
        CloseStatusBox();
        ErrorKey("pagemg.7.cancelled");
        E_RETURN(0);
      }
      s.work = s.made;
    }
    s.Pad();
    SetStatusBoxTextUtf8(Msg("pagemg.7.status.shuffling"));
    ProgressMonitorBegin(s.monitor, s.monitorData);
    progressBegun = true;
    ProgressMonitorSetDuration(s.monitor, (ASInt32)s.R, s.monitorData);
    const bool finished = s.test ? s.TestBuild() : s.InPlace();
    if (!finished) {
      result = 0;
      if (s.made || s.test) ErrorKey("pagemg.7.cancelled");
      s.CloseExtras();
    } else if (s.made) {
      PDDoc shuffled = s.made;
      s.made = nullptr;  // the window owns it now
      OpenTitledWindow(shuffled, "pagemg.7.title.shuffleddoc", ++gShuffledDocNumber);
    }
    s.CloseExtras();
    CloseStatusBox();
    ProgressMonitorEnd(s.monitor, s.monitorData);
  HANDLER
    CloseStatusBox();
    if (progressBegun) ProgressMonitorEnd(s.monitor, s.monitorData);
    if (s.made) {
      PDDocClose(s.made);
      s.made = nullptr;
    } else {
      char text2[600];
      FormatMsg(text2, sizeof text2, "pagemg.7.errorprogress", "d", (int)s.placed);
      ErrMessageUTF8(text2);
    }
    s.CloseExtras();
    RERAISE();
  END_HANDLER
  return result;
}

ASUns16 OrderListExecuteFromCab(AVDoc view, PDDoc doc, SKCab* params) {
  const char* text = KCabGetString(params, "Order");
  if (!text) {
    ErrorKey("pagemg.7.onlyx");
    return 0;
  }
  return OrderListExecuteInner(view, doc, text, KCabGetInt(params, "GroupSize", 16), KCabGetBool(params, "NewDoc", 0),
                               OrderListTypeFromCab(params));
}

ASInt32 ShuffleCallBackStart(SKCab* run, SKCab* /*args*/) {
  SKCab* params = KCabGetCab(run, "Params");
  const ASUns16 done =
      params ? OrderListExecuteFromCab(ProcManGetSourceAVDoc(run), ProcManGetSourcePDDoc(run), params) : 0;
  if (!done) ProcManMarkCancelProcess(run, nullptr);
  return done;
}

void ShuffleFillProcessControlCab(SKCab* control) {
  KCabPutFunctionPointerNamedType(control, "Control:Start", kProcManCallbackType, (KCabFunctionPointer)ShuffleStartProc,
                                  nullptr);
}

const SKCabEnumWord* OrderListParamWords(const char* key) {
  if (!key) return nullptr;
  if (std::strcmp(key, "Type") == 0) return kTypeWords;
  return nullptr;
}
