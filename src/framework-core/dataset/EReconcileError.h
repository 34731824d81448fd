#pragma once

#include "SysUtils.h"

// The error of a row the server refused, handed to a reconcile handler. Message is the server's
// message; Context says where it arose (the provider's name).
class EReconcileError : public EDatabaseError
{
public:
    EReconcileError(const QString &message, const QString &context = QString(), int errorCode = 0,
                    int previousError = 0);

    QString Context;
    int ErrorCode;
    int PreviousError;
};
