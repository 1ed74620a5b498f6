#include "mainwnd/StudyDataCommand.h"

#include "platform/AppData.h"
#include "platform/CommandLine.h"
#include "platform/SingleInstance.h"
#include "study/CDictionary.h"
#include "study/StudyCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int RunStudyDataCommand(int argc, char** argv, const CommandLineRequest& request)
{
    QCoreApplication app(argc, argv);
    InitProgramIdentity();
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString folder;
    if (!GetAppDataFolder(folder))
        return 1;
    // A relative name means the folder the command was given in.
    const QString file = QDir::current().absoluteFilePath(request.m_strFile);

    CSingleInstance instance;
    if (instance.ClaimFolder(folder) == CSingleInstance::Claim::kOtherRunning) {
        switch (request.m_action) {
        case CommandLineRequest::Action::Export: {
            // The running copy holds the state, some of it not saved yet:
            // it writes the export itself.
            bool written = false;
            QString reply;
            if (!instance.ExportFromRunningCopy(folder, file, written, reply)) {
                err << QStringLiteral("Velmarik が起動中ですが応答がないため、書き出せません。\n");
                return 1;
            }
            (written ? out : err) << reply.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                                  << '\n';
            return written ? 0 : 1;
        }
        default:
            err << QStringLiteral("Velmarik が起動中のため、学習データを変更できません。"
                                  "Velmarik を終了してからもう一度実行してください。\n");
            return 1;
        }
    }
    int code = 1;
    switch (request.m_action) {
    case CommandLineRequest::Action::Export:
        code = ExportStudyData(file, out, err);
        break;
    case CommandLineRequest::Action::ImportList:
        code = ImportOwnListFile(file, request.m_strName, out, err);
        break;
    case CommandLineRequest::Action::Restore:
        code = RestoreStudyData(file, out, err);
        break;
    default:
        break;
    }
    CDictionary::DestroyInstance();
    return code;
}
