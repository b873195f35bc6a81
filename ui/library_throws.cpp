// The library's own throwers, for the installer alone. Its versions build
// std::logic_error and its kin, whose text is the library's older
// reference-counted string: linking them brings that whole string (31 KB), its
// exception classes and a number formatter, a fifth of the installer. Nothing
// here catches those types by name: every handler catches FileError or
// everything, so a plain exception with the same text does the same job.

#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryError : public std::exception {
public:
    explicit LibraryError(const char* what) noexcept : m_what(what) {}
    const char* what() const noexcept override { return m_what; }

private:
    const char* m_what; // the library passes string literals
};

} // namespace

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* what) { throw LibraryError(what); }
void __throw_domain_error(const char* what) { throw LibraryError(what); }
void __throw_invalid_argument(const char* what) { throw LibraryError(what); }
void __throw_length_error(const char* what) { throw LibraryError(what); }
void __throw_out_of_range(const char* what) { throw LibraryError(what); }
// The format's arguments are left out: they would need the formatter.
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }
void __throw_runtime_error(const char* what) { throw LibraryError(what); }
void __throw_range_error(const char* what) { throw LibraryError(what); }
void __throw_overflow_error(const char* what) { throw LibraryError(what); }
void __throw_underflow_error(const char* what) { throw LibraryError(what); }

} // namespace std
