#pragma once
// Every error the system raises derives from ENulvaneError; each area has its own subclass so a
// caller can tell them apart, and each carries a message a person can read.
#include <stdexcept>
#include <string>

namespace nulvane {

class ENulvaneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Input/output and other operating-system failures.
class EOSError : public ENulvaneError {
public:
    using ENulvaneError::ENulvaneError;
};

// A text that does not convert to the type asked for (integer, boolean, number, date-time).
class EConvertError : public ENulvaneError {
public:
    using ENulvaneError::ENulvaneError;
};

// XML that does not parse, or a document operation that cannot be done.
class EXmlError : public ENulvaneError {
public:
    using ENulvaneError::ENulvaneError;
};

// An object that cannot be taken as the interface asked for (a root element of the wrong name).
class EIntfCastError : public ENulvaneError {
public:
    using ENulvaneError::ENulvaneError;
};

// An index or position outside a list.
class EListError : public ENulvaneError {
public:
    using ENulvaneError::ENulvaneError;
};

}  // namespace nulvane
