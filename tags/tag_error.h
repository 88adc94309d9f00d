#pragma once

#include <QString>

#include "components/quorvel_error.h"

// A tag operation that failed; the message names the file and the cause.
class TagError : public QuorvelError {
  public:
    using QuorvelError::QuorvelError;
};
