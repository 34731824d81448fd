#include "dataset/EReconcileError.h"

EReconcileError::EReconcileError(const QString &message, const QString &context, int errorCode, int previousError)
    : EDatabaseError(message), Context(context), ErrorCode(errorCode), PreviousError(previousError)
{}
