#pragma once

// Every test is built with this header first. QtTest waits 5 s for a state a test expects; under
// the sanitizers on one busy core a chain of helper runs can take longer than that, and a test
// that would pass fails. A state that is coming is waited for up to 30 s instead: a real fault
// still fails, only later.
#include <QTest>

#undef QTRY_VERIFY
#define QTRY_VERIFY(expr) QTRY_VERIFY_WITH_TIMEOUT((expr), 30000)
#undef QTRY_VERIFY2
#define QTRY_VERIFY2(expr, messageExpression) QTRY_VERIFY2_WITH_TIMEOUT((expr), (messageExpression), 30000)
#undef QTRY_COMPARE
#define QTRY_COMPARE(expr, expected) QTRY_COMPARE_WITH_TIMEOUT((expr), (expected), 30000)
