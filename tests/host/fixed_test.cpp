#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/ASExcept.h"
#include "host/ASFixed.h"

TEST(Fixed, ConversionsSaturate) {
  struct Case {
    double in;
    ASFixed out;
  };
  const Case cases[] = {
      {0.0, 0},
      {1.0, fixedOne},
      {-1.5, -0x18000},
      {32767.99998, 0x7FFFFFFF},
      {40000.0, fixedPositiveInfinity},
      {-40000.0, fixedNegativeInfinity},
      {1e300, fixedPositiveInfinity},
      {-std::numeric_limits<double>::infinity(), fixedNegativeInfinity},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, ASFloatToFixed(c.in)) << c.in;
  EXPECT_EQ(fixedPositiveInfinity, ASInt32ToFixed(100000));
  EXPECT_EQ(fixedNegativeInfinity, ASInt32ToFixed(-100000));
  EXPECT_EQ(-5 * fixedOne, ASInt32ToFixed(-5));
  EXPECT_EQ(3, ASFixedRoundToInt32(0x28000));   // 2.5 rounds away from zero
  EXPECT_EQ(-3, ASFixedRoundToInt32(-0x28000));
  EXPECT_EQ(2, ASFixedTruncToInt32(0x2C000));
  EXPECT_EQ(-2, ASFixedTruncToInt32(-0x2C000));
}

TEST(Fixed, MulDivSaturate) {
  EXPECT_EQ(6 * fixedOne, ASFixedMul(2 * fixedOne, 3 * fixedOne));
  EXPECT_EQ(fixedPositiveInfinity, ASFixedMul(30000 * fixedOne, 30000 * fixedOne));
  EXPECT_EQ(fixedNegativeInfinity, ASFixedMul(-30000 * fixedOne, 30000 * fixedOne));
  EXPECT_EQ(fixedHalf, ASFixedDiv(fixedOne, 2 * fixedOne));
  EXPECT_EQ(fixedPositiveInfinity, ASFixedDiv(fixedOne, 0));
  EXPECT_EQ(fixedNegativeInfinity, ASFixedDiv(-fixedOne, 0));
  EXPECT_EQ(0, ASFixedDiv(0, 0));
  EXPECT_EQ(fixedPositiveInfinity, ASFixedDiv(20000 * fixedOne, 1));
}

TEST(Fixed, MatrixConcatInvertTransform) {
  ASFixedMatrix scale{2 * fixedOne, 0, 0, 3 * fixedOne, 0, 0};
  ASFixedMatrix move{fixedOne, 0, 0, fixedOne, 10 * fixedOne, 20 * fixedOne};
  ASFixedMatrix both;
  ASFixedMatrixConcat(&both, &scale, &move);  // scale first, then move
  ASFixedPoint p{fixedOne, fixedOne}, q;
  ASFixedMatrixTransform(&q, &both, &p);
  EXPECT_EQ(12 * fixedOne, q.h);
  EXPECT_EQ(23 * fixedOne, q.v);

  ASFixedMatrix inv, id;
  ASFixedMatrixInvert(&inv, &both);
  ASFixedMatrixConcat(&id, &both, &inv);
  EXPECT_NEAR(1.0, ASFixedToFloat(id.a), 1e-4);
  EXPECT_NEAR(0.0, ASFixedToFloat(id.b), 1e-4);
  EXPECT_NEAR(1.0, ASFixedToFloat(id.d), 1e-4);
  EXPECT_NEAR(0.0, ASFixedToFloat(id.h), 1e-3);
  EXPECT_NEAR(0.0, ASFixedToFloat(id.v), 1e-3);

  ASFixedMatrix rot90{0, fixedOne, -fixedOne, 0, 0, 0};
  ASFixedRect r{0, 20 * fixedOne, 10 * fixedOne, 0}, out;
  ASFixedMatrixTransformRect(&out, &rot90, &r);
  EXPECT_EQ(-20 * fixedOne, out.left);
  EXPECT_EQ(0, out.right);
  EXPECT_EQ(0, out.bottom);
  EXPECT_EQ(10 * fixedOne, out.top);
}

TEST(Fixed, SingularOrUnrepresentableInverseRaises) {
  const ASFixedMatrix bad[] = {
      {0, 0, 0, 0, 0, 0},
      {fixedOne, 2 * fixedOne, 2 * fixedOne, 4 * fixedOne, 0, 0},  // rows dependent
      {1, 0, 0, 1, 0, 0},                                        // inverse too large for 16.16
  };
  for (const ASFixedMatrix& m : bad) {
    ASFixedMatrix r;
    ASErrorCode code = 0;
    DURING
      ASFixedMatrixInvert(&r, &m);
    HANDLER
      code = ERRORCODE;
    END_HANDLER
    EXPECT_EQ(genErrBadMatrix, code);
  }
}
