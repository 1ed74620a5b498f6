#pragma once

#include <QString>

class QFileDevice;

// What went wrong with a state file: the platform's error text and code, as
// the messages for unreadable or unwritable files append them.
struct FileFailure {
    QString m_strMessage; // platform text, may carry white space at the ends
    int m_nCause = 0;     // platform error code
    bool m_bFileError = true; // false: not a file failure, the message stands alone
    QString m_strClassName;   // names the failure when there is no message

    // The failure of the last operation on the device.
    static FileFailure FromDevice(const QFileDevice& device);
    // A file that ended before the record being read was complete.
    static FileFailure EndOfFile();
    // A write that the system cut short, with the reason it gave (errno).
    static FileFailure ShortWrite(int systemError);
    // Any other file operation the system refused, with its reason (errno).
    static FileFailure FromSystem(int systemError);
};

// "message(code)" with the message trimmed; the class name followed by
// " occured." when there is no message.
QString DescribeException(const FileFailure& failure);
