#pragma once
// Errors are exceptions whose class names start with E; the general error handler shows
// the class name and the message.

#include <stdexcept>
#include <string>

namespace keltrix {

class EKeltrixError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    virtual const char* ClassName() const noexcept { return "EKeltrixError"; }
};

#define KELTRIX_ERROR_CLASS(Name, Base)                                                            \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
        const char* ClassName() const noexcept override { return #Name; }                          \
    }

KELTRIX_ERROR_CLASS(EInOutError, EKeltrixError);
KELTRIX_ERROR_CLASS(EConvertError, EKeltrixError);
KELTRIX_ERROR_CLASS(ERangeError, EKeltrixError);
KELTRIX_ERROR_CLASS(ERegistryException, EKeltrixError);
KELTRIX_ERROR_CLASS(EOnPurpose, EKeltrixError);

// The class name to report for any exception.
std::string ExceptionClassName(const std::exception& e);

} // namespace keltrix
