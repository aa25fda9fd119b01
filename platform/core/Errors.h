#pragma once

#include <stdexcept>
#include <string>

// The platform's exception family. Each message names the problem so that it can be shown as is.
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& Message) : std::runtime_error(Message) {}
  std::string Message() const { return what(); }
};

// A value cannot be converted or assigned ("Cannot assign a TFont to a TBrush").
class EConvertError : public Exception {
  using Exception::Exception;
};
// A list or collection index out of range.
class EListError : public Exception {
  using Exception::Exception;
};
// Misuse of a component: duplicate or invalid name, bad owner.
class EComponentError : public Exception {
  using Exception::Exception;
};
// A property that does not exist or is used as the wrong kind.
class EPropertyError : public Exception {
  using Exception::Exception;
};
// A class name that is not registered.
class EClassNotFound : public Exception {
  using Exception::Exception;
};
// Reading or writing a stored form.
class EFilerError : public Exception {
  using Exception::Exception;
};
class EReadError : public EFilerError {
  using EFilerError::EFilerError;
};
class EWriteError : public EFilerError {
  using EFilerError::EFilerError;
};
