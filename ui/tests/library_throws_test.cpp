// The installer's throwers of the library's errors: each one throws, as the
// library's own do, something the installer's catch of everything can handle,
// with the library's text where it gives one.

#include <gtest/gtest.h>

#include <bits/functexcept.h>

#include <cstddef>
#include <exception>
#include <new>
#include <typeinfo>

TEST(LibraryThrows, EachThrowsAnExceptionWithTheLibrarysText)
{
    struct Case {
        const char* what;
        void (*thrower)(const char*);
    };
    const Case cases[] = {
        {"logic", std::__throw_logic_error},       {"domain", std::__throw_domain_error},
        {"invalid", std::__throw_invalid_argument}, {"length", std::__throw_length_error},
        {"range", std::__throw_out_of_range},       {"runtime", std::__throw_runtime_error},
        {"range error", std::__throw_range_error},  {"overflow", std::__throw_overflow_error},
        {"underflow", std::__throw_underflow_error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            c.thrower(c.what);
            ADD_FAILURE() << "returned";
        } catch (const std::exception& error) {
            EXPECT_STREQ(error.what(), c.what);
        }
    }
    EXPECT_THROW(std::__throw_out_of_range_fmt("at %zu", std::size_t{3}), std::exception);
    EXPECT_THROW(std::__throw_bad_alloc(), std::bad_alloc);
    EXPECT_THROW(std::__throw_bad_array_new_length(), std::bad_array_new_length);
    EXPECT_THROW(std::__throw_bad_cast(), std::bad_cast);
    EXPECT_THROW(std::__throw_bad_typeid(), std::bad_typeid);
    EXPECT_THROW(std::__throw_bad_exception(), std::bad_exception);
}
