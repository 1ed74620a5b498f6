#include "platform/FileFailure.h"

#include <QFileDevice>

FileFailure FileFailure::FromDevice(const QFileDevice& device)
{
    FileFailure failure;
    failure.m_strMessage = device.errorString();
    failure.m_nCause = static_cast<int>(device.error());
    failure.m_strClassName = QStringLiteral("QFileDevice");
    return failure;
}

FileFailure FileFailure::EndOfFile()
{
    FileFailure failure;
    failure.m_strMessage = QStringLiteral("Unexpected end of file.");
    failure.m_nCause = static_cast<int>(QFileDevice::ReadError);
    failure.m_strClassName = QStringLiteral("QFileDevice");
    return failure;
}

FileFailure FileFailure::ShortWrite(int systemError)
{
    FileFailure failure;
    failure.m_strMessage =
        systemError != 0 ? qt_error_string(systemError) : QStringLiteral("Unknown error");
    failure.m_nCause = static_cast<int>(QFileDevice::WriteError);
    failure.m_strClassName = QStringLiteral("QFileDevice");
    return failure;
}

FileFailure FileFailure::FromSystem(int systemError)
{
    FileFailure failure;
    failure.m_strMessage = qt_error_string(systemError);
    failure.m_nCause = systemError;
    failure.m_strClassName = QStringLiteral("QFileDevice");
    return failure;
}

QString DescribeException(const FileFailure& failure)
{
    if (failure.m_strMessage.isEmpty())
        return failure.m_strClassName + QStringLiteral(" occured.");
    const QString message = failure.m_strMessage.trimmed();
    if (failure.m_bFileError)
        return QStringLiteral("%1(%2)").arg(message).arg(failure.m_nCause);
    return message;
}
