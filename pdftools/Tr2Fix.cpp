#include "pdftools/Tr2Fix.h"

#include <cstdarg>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "foundation/CLocale.h"
#include "host/AS.h"
#include "pdftools/FixedMatrix.h"
#include "pdftools/MergeResources.h"
#include "pdftools/PDFAtoms.h"
#include "pdftools/StreamEdit.h"

namespace {

// A text object is moved when its translation is at least this far (in 16.16
// units) from the origin.
constexpr ASInt64 kFixTranslation = 6;

double Points(ASFixed f) { return (double)((float)f * (1.0f / 65536.0f)); }

// Operators that may stand in a text object the fix rewrites: none of them
// draws anything through the transformation matrix except as text.
bool KeepsTextFixable(EPDFVerb verb) {
  switch (verb) {
    case kPDFVerb_Tc: case kPDFVerb_Tw: case kPDFVerb_Tz: case kPDFVerb_TL: case kPDFVerb_Tf:
    case kPDFVerb_Tr: case kPDFVerb_Ts: case kPDFVerb_Td: case kPDFVerb_TD: case kPDFVerb_Tm:
    case kPDFVerb_TStar: case kPDFVerb_Tj: case kPDFVerb_TJ: case kPDFVerb_Quote: case kPDFVerb_DoubleQuote:
    case kPDFVerb_CS: case kPDFVerb_cs: case kPDFVerb_SC: case kPDFVerb_SCN: case kPDFVerb_sc: case kPDFVerb_scn:
    case kPDFVerb_G: case kPDFVerb_g: case kPDFVerb_RG: case kPDFVerb_rg: case kPDFVerb_K: case kPDFVerb_k:
    case kPDFVerb_w: case kPDFVerb_J: case kPDFVerb_j: case kPDFVerb_M: case kPDFVerb_d: case kPDFVerb_ri:
    case kPDFVerb_i: case kPDFVerb_gs:
    case kPDFVerb_BMC: case kPDFVerb_BDC: case kPDFVerb_EMC: case kPDFVerb_MP: case kPDFVerb_DP:
    case kPDFVerb_BX: case kPDFVerb_EX:
      return true;
    default:
      return false;
  }
}

// A graphics state with a soft mask places the mask by the matrix in force.
bool InstallsSoftMask(CosObj extGStates, char* buffer, ASInt32 length, char* op) {
  char* end = buffer + length;
  ASAtom category, name;
  if (!StatementIsResource(buffer, &end, op, &category, &name, nullptr, nullptr, nullptr)) return false;
  if (CosObjGetType(extGStates) != CosDict) return false;
  CosObj state = CosDictGet(extGStates, name);
  if (CosObjGetType(state) != CosDict) return false;
  CosObj smask = CosDictGet(state, atom[K_SMask]);
  return CosObjGetType(smask) != CosNull && !(CosObjGetType(smask) == CosName && CosNameValue(smask) == atom[K_None]);
}

// The numbers of a statement in double precision, read by the same grammar
// as ParseGetFixed (which has checked them already).
double ParseDouble(char** position, const char* end) {
  char* p = *position;
  ParseSkipWhiteSpace(&p, end);
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  double value = 0.0, scale = 1.0;
  bool point = false;
  for (; p < end; ++p) {
    if (*p >= '0' && *p <= '9') {
      if (point) {
        scale *= 0.1;
        value += (*p - '0') * scale;
      } else {
        value = value * 10.0 + (*p - '0');
      }
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  *position = p;
  return negative ? -value : value;
}

// Six operands before op: checked for range as fixed numbers, returned as doubles.
void ReadSixOperands(char* buffer, char* op, double out[6]) {
  char* p = buffer;
  ParseGetMatrix(&p, op);
  p = buffer;
  for (int i = 0; i < 6; ++i) out[i] = ParseDouble(&p, op);
}

ASBool Replace(char* buffer, ASInt32* length, ASInt32 capacity, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

ASBool Replace(char* buffer, ASInt32* length, ASInt32 capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int n = CLocaleVsnprintf(buffer, (size_t)capacity, format, args);
  va_end(args);
  if (n < 0 || n >= capacity) ASRaise(PDFStatementTooLongError());
  *length = n;
  return 1;
}

void NoteTextObjects(STr2TestState* s, EPDFVerb verb, char* buffer, ASInt32 length, char* op) {
  std::vector<bool>& unfixable = *s->unfixable;
  if (verb == kPDFVerb_BT) {
    ASInt32 number = (ASInt32)unfixable.size();
    unfixable.push_back(false);
    if (s->open >= 0) {
      unfixable[s->open] = true;
      unfixable[number] = true;
      ++s->nesting;
    } else {
      s->open = number;
      s->nesting = 1;
    }
    return;
  }
  if (s->open < 0) return;
  if (verb == kPDFVerb_ET) {
    if (--s->nesting == 0) s->open = -1;
    return;
  }
  if (!KeepsTextFixable(verb) || (verb == kPDFVerb_gs && InstallsSoftMask(s->extGStates, buffer, length, op)))
    unfixable[s->open] = true;
}

ASUns32 TestResult(const STr2TestState& s) {
  return (s.mode2Seen ? (ASUns32)kTr2Mode2Seen : 0u) | (s.anomalies ? (ASUns32)kTr2Anomalies : 0u);
}

// The read-only walk of the test. Any error ends it with what was found.
ASUns32 RunTest(PDPage page, STr2TestState* state) {
  SPageStreamEditInfo* edit = nullptr;
  DURING
    edit = NewPageStreamEditInfo(1);
    PageStreamEdit(edit, page, nullptr, IsTr2InPageCallback, state);
  HANDLER
    // A text object the walk did not see to its end is not touched.
    if (state->unfixable && state->open >= 0) (*state->unfixable)[state->open] = true;
  END_HANDLER
  DestroyPageStreamEditInfo(edit);
  if (state->unfixable && state->open >= 0) (*state->unfixable)[state->open] = true;
  return TestResult(*state);
}

void InitTestState(STr2TestState* s, PDPage page) {
  *s = STr2TestState{};
  s->open = -1;
  s->extGStates = CosNewNull();
  CosObj resources = PDPageGetCosResources(page);
  if (CosObjGetType(resources) == CosDict) s->extGStates = CosDictGet(resources, atom[K_ExtGState]);
}

}  // namespace

ASBool IsTr2InPageCallback(void* data, PDPage, char* buffer, ASInt32* length, ASInt32, char* op, EPDFVerb verb) {
  auto* s = static_cast<STr2TestState*>(data);
  switch (verb) {
    case kPDFVerb_BT:
      if (++s->textDepth != 1) s->anomalies |= kTr2NestedBT;
      break;
    case kPDFVerb_c: case kPDFVerb_cm: case kPDFVerb_h: case kPDFVerb_l:
    case kPDFVerb_m: case kPDFVerb_n: case kPDFVerb_re: case kPDFVerb_v:
      if (s->textDepth != 0) s->anomalies |= kTr2PathInText;
      break;
    case kPDFVerb_ET:
      if (s->textDepth-- != 1) s->anomalies |= kTr2BadET;
      break;
    case kPDFVerb_q:
      ++s->saveDepth;
      if (s->textDepth != 0) s->anomalies |= kTr2QInText;
      break;
    case kPDFVerb_Q:
      if (--s->saveDepth < 0) s->anomalies |= kTr2TooManyQ;
      if (s->textDepth != 0) s->anomalies |= kTr2RestoreInText;
      break;
    case kPDFVerb_Tm:
      if (s->textDepth != 1) s->anomalies |= kTr2TmOutsideText;
      break;
    case kPDFVerb_Tr:
      if (!s->mode2Seen) {
        char* p = buffer;
        if (ParseGetInteger(&p, op) == 2) s->mode2Seen = 1;
      }
      break;
    default:
      break;
  }
  if (s->unfixable) NoteTextObjects(s, verb, buffer, *length, op);
  return 0;
}

ASBool FixTr2Callback(void* data, PDPage, char* buffer, ASInt32* length, ASInt32 capacity, char* op, EPDFVerb verb) {
  auto* f = static_cast<STr2FixState*>(data);
  ASFixedMatrix& current = f->matrices.back();
  switch (verb) {
    case kPDFVerb_BT: {
      ASInt32 number = f->textObjects++;
      if (f->inText) {
        // Nested text objects and their outer ones are never rewritten.
        ++f->nesting;
        return 0;
      }
      f->inText = 1;
      f->nesting = 1;
      f->fixThis = 0;
      f->atBT = current;
      bool fixable = f->unfixable && number < (ASInt32)f->unfixable->size() && !(*f->unfixable)[number];
      if (!fixable || (std::llabs((ASInt64)f->atBT.h) < kFixTranslation && std::llabs((ASInt64)f->atBT.v) < kFixTranslation))
        return 0;
      // The translation (e, f) moves out before BT and into the text matrix,
      // which the matching Tm statements get added to their own: every glyph
      // stays where it was whatever the matrix scales or turns. These are
      // numbers of the page's own size, inside what readers take; undoing the
      // translation in the matrix's own units instead would multiply them by
      // the inverse of a small scale.
      f->moveH = Points(f->atBT.h);
      f->moveV = Points(f->atBT.v);
      f->fixThis = 1;
      const double e = f->moveH, v = f->moveV;
      return Replace(buffer, length, capacity,
                     "\n/KRVL_TrBugFix BMC 1 0 0 1 %.6f %.6f cm EMC \nBT \n/KRVL_TrBugFix BMC 1 0 0 1 %.6f %.6f Tm EMC \n",
                     -e, -v, e, v);
    }
    case kPDFVerb_cm: {
      char* p = buffer;
      ASFixedMatrix m = ParseGetMatrix(&p, op);
      current = MatrixMultiply(m, current);
      return 0;
    }
    case kPDFVerb_q: {
      ASFixedMatrix saved = current;
      f->matrices.push_back(saved);
      ++f->depth;
      return 0;
    }
    case kPDFVerb_Q:
      if (f->depth >= 1) {
        f->matrices.pop_back();
        --f->depth;
      }
      return 0;
    case kPDFVerb_Tm: {
      if (!f->inText || !f->fixThis) return 0;
      double o[6];
      ReadSixOperands(buffer, op, o);
      double e = f->moveH, v = f->moveV;
      return Replace(buffer, length, capacity,
                     "\n/KRVL_TrBugFix2 <</Orig (%.6f %.6f %.6f %.6f %.6f %.6f Tm)>>BDC\n %.6f %.6f %.6f %.6f %.6f %.6f "
                     "Tm  EMC \n",
                     o[0], o[1], o[2], o[3], o[4], o[5], o[0], o[1], o[2], o[3], o[4] + e, o[5] + v);
    }
    case kPDFVerb_ET: {
      if (!f->inText) return 0;
      if (--f->nesting > 0) return 0;
      f->inText = 0;
      if (!f->fixThis) return 0;
      f->fixThis = 0;
      return Replace(buffer, length, capacity, "\nET \n/KRVL_TrBugFix BMC 1 0 0 1 %.6f %.6f cm EMC \n", f->moveH,
                     f->moveV);
    }
    default:
      return 0;
  }
}

ASUns32 TestTr2InPage(PDPage page) {
  InitGlobalAtomTable();
  STr2TestState state;
  InitTestState(&state, page);
  return RunTest(page, &state);
}

ASBool FixTr2InPage(PDPage page, ASBool testFirst) {
  InitGlobalAtomTable();
  std::vector<bool> unfixable;
  STr2TestState test;
  InitTestState(&test, page);
  test.unfixable = &unfixable;
  ASUns32 found = RunTest(page, &test);
  if (testFirst && found == 0) return 1;

  STr2FixState fix{};
  fix.matrices.push_back(ASFixedMatrix{fixedOne, 0, 0, fixedOne, 0, 0});
  fix.unfixable = &unfixable;
  SPageStreamEditInfo* edit = NewPageStreamEditInfo(0);
  ASBool edited = 0;
  DURING
    edited = PageStreamEdit(edit, page, nullptr, FixTr2Callback, &fix);
  HANDLER
    DestroyPageStreamEditInfo(edit);
    RERAISE();
  END_HANDLER
  DestroyPageStreamEditInfo(edit);
  return edited;
}
