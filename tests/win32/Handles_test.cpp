// The handle owners: what counts as no handle, moves, closing, and the select guard.
#include <gtest/gtest.h>

#include <windows.h>

#include <utility>

#include "support/UiTest.h"
#include "win32/Handles.h"

namespace pd {
namespace {

TEST(Handles, NullAndInvalidHandleValueAreBothEmpty) {
    EXPECT_FALSE(OwnedHandle());
    EXPECT_FALSE(OwnedHandle(INVALID_HANDLE_VALUE));
    OwnedHandle event(::CreateEvent(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.get();

    OwnedHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
    moved.Reset();
    EXPECT_EQ(::WaitForSingleObject(raw, 0), WAIT_FAILED) << "closed by Reset";
}

TEST(Handles, SelectGuardPutsThePreviousObjectBack) {
    test::Canvas canvas(2, 2);
    HGDIOBJ before = ::GetCurrentObject(canvas.dc(), OBJ_PEN);
    ScopedPen pen(::CreatePen(PS_SOLID, 1, RGB(1, 2, 3)));
    {
        SelectGuard selected(canvas.dc(), pen.get());
        EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_PEN), pen.get());
    }
    EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_PEN), before);
}

}  // namespace
}  // namespace pd
