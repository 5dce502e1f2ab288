#include "views/applications/DocumentTypesReader.h"

#include "platform/ThreadPool.h"
#include "support/FakePlatform.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

void settle()
{
    waitForEnginePool();
    QCoreApplication::processEvents();
}

QString appDeclaring(FakePlatform& fp, const QString& name, const QStringList& extensions)
{
    BundleRecipe recipe;
    recipe.identifier = QStringLiteral("com.example.") + name.toLower();
    recipe.name = name;
    recipe.extra.insert(QStringLiteral("CFBundleDocumentTypes"),
                        QVariantList{QVariantMap{{QStringLiteral("CFBundleTypeExtensions"), extensions}}});
    return fp.tree().makeApp(QStringLiteral("/Applications/") + name + QStringLiteral(".app"), recipe);
}

} // namespace

TEST(DocumentTypesReader, OnlyTheLatestRequestIsAnswered)
{
    FakePlatform fp;
    const QString text = appDeclaring(fp, QStringLiteral("Text"), {QStringLiteral("txt"), QStringLiteral(".md"), QStringLiteral("txt")});
    const QString pdf = appDeclaring(fp, QStringLiteral("Viewer"), {QStringLiteral("pdf")});
    DocumentTypesReader reader(fp.fs());
    QSignalSpy ready(&reader, &DocumentTypesReader::ready);

    reader.read(pdf);
    reader.read(text);
    EXPECT_FALSE(reader.isReady());
    EXPECT_TRUE(reader.extensions().isEmpty());
    settle();
    EXPECT_EQ(ready.count(), 1);
    EXPECT_TRUE(reader.isReady());
    EXPECT_EQ(reader.bundlePath(), text);
    EXPECT_EQ(reader.extensions(), (QStringList{".md", ".txt"}));

    // An unreadable bundle declares nothing.
    reader.read(QStringLiteral("/Applications/Missing.app"));
    settle();
    EXPECT_TRUE(reader.isReady());
    EXPECT_TRUE(reader.extensions().isEmpty());
}

TEST(DocumentTypesReader, AReaderGoneBeforeTheAnswerIsNotReached)
{
    FakePlatform fp;
    const QString text = appDeclaring(fp, QStringLiteral("Text"), {QStringLiteral("txt")});
    const QString pdf = appDeclaring(fp, QStringLiteral("Viewer"), {QStringLiteral("pdf")});
    auto gone = std::make_unique<DocumentTypesReader>(fp.fs());
    gone->read(text);
    gone.reset();
    // The orphaned answer reaches nobody; a new reader gets exactly its own.
    DocumentTypesReader reader(fp.fs());
    QSignalSpy ready(&reader, &DocumentTypesReader::ready);
    reader.read(pdf);
    settle();
    EXPECT_EQ(ready.count(), 1);
    EXPECT_EQ(reader.extensions(), QStringList{".pdf"});
}
