#pragma once

#include <QString>

#include "components/quorvel_error.h"

// Every component failure reaches the caller as this error; its text names the file and the cause.
class ComponentError : public QuorvelError {
  public:
    using QuorvelError::QuorvelError;
};
