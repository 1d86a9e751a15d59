#include "PlaybackFixtures.h"

#include "filters/CDecoderBin.h"
#include "filters/CFilterRegistry.h"
#include "filters/GstHandle.h"
#include "platform/SettingsStore.h"
#include "playback/CDShowPlayer.h"
#include "playback/CStaticView.h"

#include <gst/base/gstbasetransform.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QApplication>
#include <QTest>

using namespace playback_test;

using ParamCalls = QList<QPair<int, int>>;

namespace
{
// Takes one component out of the registry for the length of a test and puts it back.
class RemovedComponent
{
public:
    explicit RemovedComponent(QString clsid) : m_clsid(std::move(clsid))
    {
        if (!m_clsid.isEmpty())
            CFilterRegistry::Instance().Unregister(m_clsid);
    }
    ~RemovedComponent()
    {
        if (m_clsid.isEmpty())
            return;
        auto builtins = std::make_shared<CFilterRegistry>();
        RegisterBuiltinFilters(*builtins);
        CFilterRegistry::Instance().Register(m_clsid, [builtins, clsid = m_clsid] {
            std::unique_ptr<CBaseFilter> filter;
            builtins->CreateInstance(clsid, filter);
            return filter;
        });
    }

private:
    QString m_clsid;
};
} // namespace

class TestPlaybackFilters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_player.AttachWindows(&m_front, &m_rear);
    }

    void checkFiltersReportsTheFirstMissing_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<int>("code");
        QTest::newRow("all present") << QString() << 1;
        QTest::newRow("sensor source missing") << CLSID_SensorDataSource << -1;
        QTest::newRow("video decoder missing") << CLSID_H264Decoder << -2;
        QTest::newRow("AAC decoder missing") << CLSID_AacDecoder << -3;
        QTest::newRow("brightness filter missing") << CLSID_BrightnessFilter << -4;
    }
    void checkFiltersReportsTheFirstMissing()
    {
        QFETCH(QString, missing);
        QFETCH(int, code);
        RemovedComponent removed(missing);
        QCOMPARE(m_player.CheckFilters(), code);
    }

    void checkFiltersWithoutGraphObject()
    {
        CDShowPlayer player;
        QCOMPARE(player.CheckFilters(), -1);
    }

    void setUpRunsTheInstallerOnlyForEssentials_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<bool>("installerRuns");
        QTest::addColumn<int>("result");
        QTest::newRow("all present") << QString() << false << 1;
        QTest::newRow("video decoder missing") << CLSID_H264Decoder << true << -2;
        QTest::newRow("sensor source missing") << CLSID_SensorDataSource << true << -1;
        QTest::newRow("AAC decoder missing") << CLSID_AacDecoder << false << -3;
        QTest::newRow("brightness filter missing") << CLSID_BrightnessFilter << false << -4;
    }
    void setUpRunsTheInstallerOnlyForEssentials()
    {
        QFETCH(QString, missing);
        QFETCH(bool, installerRuns);
        QFETCH(int, result);
        // A stand-in installer that only leaves a trace (it cannot install our own components).
        const QString trace = m_dir.filePath("installer-ran");
        QFile::remove(trace);
        const QString installer = m_dir.filePath(CDShowPlayer::kFilterInstallerName);
        QFile script(installer);
        QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(QString("#!/bin/sh\ntouch '%1'\n").arg(trace).toUtf8());
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        m_player.SetFilterInstallerPath(installer);

        RemovedComponent removed(missing);
        int messages = 0;
        QCOMPARE(m_player.SetUpDecoders([&] { ++messages; }), result);
        QCOMPARE(messages, installerRuns ? 1 : 0);
        if (installerRuns)
            QTRY_VERIFY(QFileInfo::exists(trace));
        else
            QVERIFY(!QFileInfo::exists(trace));
    }

    void playerWritesItsMarker()
    {
        const auto marker = CSettingsStore::System().GetNumber(SettingsHive::LocalMachine,
                                                               "SOFTWARE\\Pelmo", "usingDShow");
        QVERIFY(marker.Ok());
        QCOMPARE(marker.value, 1u);
    }

    void setUpConfiguresTheDecoderSettings_data()
    {
        QTest::addColumn<bool>("keyExists");
        QTest::newRow("decoder key present") << true;
        QTest::newRow("no decoder key") << false;
    }
    void setUpConfiguresTheDecoderSettings()
    {
        QFETCH(bool, keyExists);
        CSettingsStore &store = CSettingsStore::System();
        const QString key = "Software\\GNU\\ffdshow";
        store.DeleteKey(SettingsHive::CurrentUser, key);
        if (keyExists)
            QCOMPARE(store.CreateKey(SettingsHive::CurrentUser, key), SettingsStatus::Ok);
        QCOMPARE(m_player.SetUpDecoders({}), 1);
        QCOMPARE(store.OpenKey(SettingsHive::CurrentUser, key) == SettingsStatus::Ok, keyExists);
        if (!keyExists)
            return;
        QCOMPARE(store.GetNumber(SettingsHive::CurrentUser, key, "h264").value, 1u);
        QCOMPARE(store.GetNumber(SettingsHive::CurrentUser, key, "multipleInstances").value, 0u);
        QVERIFY(store.GetString(SettingsHive::CurrentUser, key, "whitelist")
                    .value.contains("Quorvil.exe"));
    }

    void installerPathIsBesideTheExecutable()
    {
        QCOMPARE(QFileInfo(CDShowPlayer::FilterInstallerPath()).fileName(), QString("TarnFilter"));
        QCOMPARE(QFileInfo(CDShowPlayer::FilterInstallerPath()).absolutePath(),
                 QCoreApplication::applicationDirPath());
    }

    void decoderParameters_data()
    {
        QTest::addColumn<ParamCalls>("calls");
        QTest::addColumn<int>("brightness");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<bool>("horizontal");
        using Calls = ParamCalls;
        QTest::newRow("nothing set") << Calls{} << 0 << false << false;
        QTest::newRow("brightness after picture properties")
            << Calls{{205, 1}, {202, 80}} << 80 << false << false;
        QTest::newRow("brightness without picture properties")
            << Calls{{202, 80}} << 0 << false << false;
        QTest::newRow("brightness clamped") << Calls{{205, 1}, {202, 400}} << 150 << false << false;
        QTest::newRow("brightness clamped low")
            << Calls{{205, 1}, {202, -400}} << -150 << false << false;
        QTest::newRow("vertical flip") << Calls{{1101, 1}, {1112, 1}} << 0 << true << false;
        QTest::newRow("both flips")
            << Calls{{1101, 1}, {1112, 1}, {1101, 1}, {1113, 1}} << 0 << true << true;
        QTest::newRow("flip off again")
            << Calls{{1101, 1}, {1112, 1}, {1101, 1}, {1112, 0}} << 0 << false << false;
    }
    void decoderParameters()
    {
        QFETCH(ParamCalls, calls);
        QFETCH(int, brightness);
        QFETCH(bool, vertical);
        QFETCH(bool, horizontal);
        std::unique_ptr<CBaseFilter> filter;
        QCOMPARE(CFilterRegistry::Instance().CreateInstance(CLSID_H264Decoder, filter), S_OK);
        auto *decoder = dynamic_cast<CDecoderBin *>(filter.get());
        QVERIFY(decoder);
        QVERIFY(decoder->Element());
        for (const auto &[id, value] : calls)
            QCOMPARE(decoder->SetDecoderParam(id, value), S_OK);
        QCOMPARE(decoder->EffectiveBrightness(), brightness);
        QCOMPARE(decoder->EffectiveFlipVertical(), vertical);
        QCOMPARE(decoder->EffectiveFlipHorizontal(), horizontal);
        // Unflipped, the flip element passes frames through instead of copying each one.
        const GstElementHandle flip = FlipElementOf(decoder->Element());
        QVERIFY(flip);
        QCOMPARE(bool(gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(flip.get()))),
                 !vertical && !horizontal);
        QCOMPARE(decoder->SetDecoderParam(999, 1), E_INVALIDARG);
    }

private:
    // The decoder bin's videoflip.
    static GstElementHandle FlipElementOf(GstElement *bin)
    {
        GstElementHandle found;
        ForEachElement(bin, [&found](GstElement *element) {
            GstElementFactory *factory = gst_element_get_factory(element);
            if (!found && factory && QByteArray(GST_OBJECT_NAME(factory)) == "videoflip")
                found = GstElementHandle::AddRef(element);
        });
        return found;
    }

    QTemporaryDir m_dir{ScratchRoot() + "/filters-XXXXXX"};
    CStaticView m_front;
    CStaticView m_rear;
    CDShowPlayer m_player;
};

QUORVIL_PLAYBACK_TEST_MAIN(TestPlaybackFilters)
#include "test_graph_filters.moc"
