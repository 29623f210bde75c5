// Reading whole streams statement by statement, for the reader's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/AS.h"
#include "host/Cos.h"
#include "pdftools/PDFStatement.h"

namespace kvtest {

struct Statement {
  std::string text;
  std::string op;  // empty for the end of the stream
  ASInt32 code;    // ClassifyPDFVerb of op
};

// Every statement of bytes, the end piece last. Checks on the way what
// every statement must satisfy: the NUL after it, the operator at its end.
inline std::vector<Statement> ReadStatements(const std::string& bytes, ASInt32 bufferSize = 60000,
                                             CosObj resources = CosNewNull(), ASUns16 raw = 0,
                                             ASInt32* finalBufferSize = nullptr) {
  std::vector<Statement> out;
  SNextPDFStatement* reader = CreateNextPDFStatementInfo();
  char* buffer = static_cast<char*>(ASmalloc((ASSize_t)bufferSize));
  ASStm stm = ASMemStmRdOpen(bytes.data(), bytes.size());
  OpenStmForNextPDFStatement(reader, resources, stm);
  for (;;) {
    ASInt32 length = 0;
    char* op = nullptr;
    ASInt32 r = NextPDFStatementExt(&buffer, &bufferSize, &length, &op, reader, raw);
    EXPECT_LT(length, bufferSize / 2) << "a statement uses less than half the buffer";
    EXPECT_EQ(0, buffer[length]) << "no NUL after the statement";
    Statement s{std::string(buffer, (size_t)length), op ? op : "", ClassifyPDFVerb(op)};
    if (r == 0) {
      EXPECT_TRUE(op != nullptr);
      if (op) {
        EXPECT_EQ(buffer + length, op + std::strlen(op)) << "the operator ends the statement";
      }
    } else {
      EXPECT_EQ(1, r);
      EXPECT_EQ(nullptr, op);
    }
    out.push_back(s);
    if (r == 1) break;
  }
  CloseNextPDFStatementInfo(reader);
  EXPECT_EQ(nullptr, reader->stream);
  DestroyNextPDFStatementInfo(reader);
  ASfree(buffer);
  if (finalBufferSize) *finalBufferSize = bufferSize;
  return out;
}

inline std::string Joined(const std::vector<Statement>& statements) {
  std::string all;
  for (const Statement& s : statements) all += s.text;
  return all;
}

}  // namespace kvtest
