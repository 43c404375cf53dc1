#include "hex.h"

#include "report/decoders.h"
#include "report/record.h"

#include <QTest>

using report::NumberFormat;

namespace {
const NumberFormat point{"."};
const NumberFormat comma{","};

QString line(const QByteArray& record, const NumberFormat& format = point) {
    Q_ASSERT(record.size() == report::kRecordSize);
    QByteArray out;
    const bool shown = report::DecodeRecord(
        reinterpret_cast<const std::uint8_t*>(record.constData()), format, out);
    if (!shown)
        return out.isEmpty() ? QString("(none)") : QString("(none, but wrote something)");
    return QString::fromUtf8(out);
}
} // namespace

class TestDecoders : public QObject {
    Q_OBJECT

private slots:
    void oneDecimal_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("half up") << 25.25 << "25.3";
        QTest::newRow("negative half") << -24.25 << "-24.3";
        QTest::newRow("small") << 0.0625 << "0.1";
        QTest::newRow("below one") << 0.5 << "0.5";
        QTest::newRow("no grouping") << 1234.5 << "1234.5";
        QTest::newRow("carry") << 127.99609375 << "128.0";
        QTest::newRow("carry through nines") << 999.96 << "1000.0";
        QTest::newRow("11.05 as written") << 11.05 << "11.1";
        // The doubles nearest 1.15 and 0.15 lie below them; the decimal value still rounds up.
        QTest::newRow("1.15, double below") << 1.15 << "1.2";
        QTest::newRow("0.15, double below") << 0.15 << "0.2";
        QTest::newRow("-1.15, double above") << -1.15 << "-1.2";
        QTest::newRow("computed 11.05") << 340 * 32.5 / 1000 << "11.1";
        QTest::newRow("just below half") << 0.04999 << "0.0";
        QTest::newRow("negative to zero") << -0.00390625 << "0.0";
        QTest::newRow("negative to -0.1") << -0.0625 << "-0.1";
        QTest::newRow("minus zero") << -0.0 << "0.0";
        QTest::newRow("whole") << 3.0 << "3.0";
        QTest::newRow("-128") << -128.0 << "-128.0";
        QTest::newRow("humidity at 0") << -2.0468 << "-2.0";
    }
    void oneDecimal() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(report::FormatOneDecimal(value, point), text);
        QString withComma = text;
        withComma.replace('.', ',');
        QCOMPARE(report::FormatOneDecimal(value, comma), withComma);
    }

    void fiveDigits() {
        QCOMPARE(report::FormatFiveDigits(7), QString("00007"));
        QCOMPARE(report::FormatFiveDigits(0), QString("00000"));
        QCOMPARE(report::FormatFiveDigits(65535), QString("65535"));
        QCOMPARE(report::FormatFiveDigits(123456), QString("123456"));
        QCOMPARE(report::FormatFiveDigits(-7), QString("-00007"));
    }

    void txPayload_data() {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<QString>("reading");
        QTest::addColumn<QString>("status");
        QTest::newRow("low battery") << hex("3930 00000000 0419 0000") << "12345"
                                     << "25.0"
                                     << "LOWBAT";
        QTest::newRow("zero id") << hex("0000 00000000 0019 0000") << "00000"
                                 << "25.0"
                                 << "";
        QTest::newRow("invalid wins") << hex("3930 00000000 4719 0000") << "12345"
                                      << "25.3"
                                      << "INVALID";
        QTest::newRow("bit 3 unused") << hex("0100 00000000 0800 0000") << "00001"
                                      << "0.0"
                                      << "";
        QTest::newRow("-0.0625") << hex("0000 00000000 F0FF 0000") << "00000"
                                 << "-0.1"
                                 << "";
        QTest::newRow("largest") << hex("0000 00000000 F07F 0000") << "00000"
                                 << "127.9"
                                 << "";
        QTest::newRow("smallest") << hex("0000 00000000 0080 0000") << "00000"
                                  << "-128.0"
                                  << "";
        QTest::newRow("8 bytes do") << hex("FFFF 00000000 0100") << "65535"
                                    << "0.0"
                                    << "";
    }
    void txPayload() {
        QFETCH(QByteArray, payload);
        QFETCH(QString, identifier);
        QFETCH(QString, reading);
        QFETCH(QString, status);
        QString id = "x", value = "x", st = "x";
        report::DecodeTxPayload(payload, id, value, st, point);
        QCOMPARE(id, identifier);
        QCOMPARE(value, reading);
        QCOMPARE(st, status);
    }

    void shortArgumentsAreRefused() {
        QString a, b, c;
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 report::DecodeTxPayload(hex("01020304050607"), a, b, c));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, report::BcdToDigits(QByteArray()));
    }

    void fixed88_data() {
        QTest::addColumn<int>("high");
        QTest::addColumn<int>("low");
        QTest::addColumn<double>("value");
        QTest::newRow("25.25") << 0x19 << 0x40 << 25.25;
        QTest::newRow("-0.5") << 0xFF << 0x80 << -0.5;
        QTest::newRow("-24.25") << 0xE7 << 0xC0 << -24.25;
        QTest::newRow("max") << 0x7F << 0xFF << 127.99609375;
        QTest::newRow("min") << 0x80 << 0x00 << -128.0;
        QTest::newRow("-1/256") << 0xFF << 0xFF << -0.00390625;
        QTest::newRow("0x8001") << 0x80 << 0x01 << -127.99609375;
    }
    void fixed88() {
        QFETCH(int, high);
        QFETCH(int, low);
        QFETCH(double, value);
        QCOMPARE(report::DecodeFixed88(std::uint8_t(high), std::uint8_t(low)), value);
    }

    void temperatureAndHumidity() {
        QCOMPARE(report::FormatOneDecimal(report::CountToTemperature(0, 0)), QString("-40.7"));
        QVERIFY(qFuzzyCompare(report::CountToTemperature(0, 0), -40.68));
        QCOMPARE(report::FormatOneDecimal(report::CountToTemperature(0xD6, 0x06)), QString("30.3"));
        QVERIFY(qFuzzyCompare(report::CountToTemperature(0xFF, 0x0F), 122.340312));
        QCOMPARE(report::FormatOneDecimal(report::CountToTemperature(0xFF, 0x0F)),
                 QString("122.3"));
        QCOMPARE(report::CountToTemperature(0xFF, 0xF7), report::CountToTemperature(0xFF, 0x07));

        // Count 3000 is 0x0BB8.
        QVERIFY(qFuzzyCompare(report::CountToHumidity(0xB8, 0x0B, 0.0), 86.05));
        QVERIFY(qFuzzyCompare(report::CountToHumidity(0xB8, 0x0B, 50.0), 98.55));
        QCOMPARE(report::FormatOneDecimal(report::CountToHumidity(0, 0, 25.0)), QString("-2.0"));
        QVERIFY(qFuzzyCompare(report::CountToHumidity(0xFF, 0x0F, 25.0), 114.89423));
        QCOMPARE(report::FormatOneDecimal(report::CountToHumidity(0xFF, 0x0F, 25.0)),
                 QString("114.9"));
        // Both sides of the switch between the two coefficient sets (2499 = 0x9C3).
        QVERIFY(qAbs(report::CountToHumidity(0xC3, 0x09, 25.0) - 79.7026009045) < 1e-9);
        QVERIFY(qAbs(report::CountToHumidity(0xC4, 0x09, 25.0) - 79.75) < 1e-9);
        QCOMPARE(report::CountToHumidity(0xC4, 0xF9, 25.0),
                 report::CountToHumidity(0xC4, 0x09, 25.0));
    }

    void hexAndBcd() {
        QCOMPARE(report::BytesToHex(hex("0AFF")), QString("0AFF"));
        QCOMPARE(report::BytesToHex(hex("FFFF")), QString("FFFF"));
        QCOMPARE(report::BytesToHex(QByteArray()), QString());
        QCOMPARE(report::BytesToHex(hex("05")), QString("05"));
        const QList<QPair<const char*, const char*>> bcd{{"25", "25"}, {"07", "07"}, {"A5", "95"},
                                                         {"3C", "39"}, {"FF", "99"}, {"00", "00"},
                                                         {"99", "99"}, {"FA", "99"}};
        for (const auto& [in, out] : bcd)
            QCOMPARE(report::BcdToDigits(hex(in) + "ignored"), QString(out));
    }

    void records_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QString>("expected");
        // slot | yy mm dd hh nn ss | kind | 10 11 | 12-15 | 16 17 | 18 19
        QTest::newRow("RX example") << hex("0007 240305140709 03 002A 00000000 4019 0080")
                                    << "OK\t2024-03-05-14-07-09\tRX\t00042\t25.3\r\n";
        QTest::newRow("BV example") << hex("0007 240305140709 04 002A 00000000 0078 0080")
                                    << "OK\t2024-03-05-14-07-09\tBV\t00042\t3.9\r\n";
        QTest::newRow("BT example")
            << hex("0007 240305140709 02 001A2B3C4D5E D606 B80B")
            << "OK\t2024-03-05-14-07-09\tBT\t00:1A:2B:3C:4D:5E\t30.3 93.6\r\n";
        QTest::newRow("TX example") << hex("0007 240305140709 01 3930 2B3C4D5E 0419 B80B")
                                    << "LOWBAT\t2024-03-05-14-07-09\tTX\t12345\t25.0\r\n";
        QTest::newRow("empty slot")
            << hex("FFFF 240305140709 03 002A 00000000 4019 0080") << "(none)";
        QTest::newRow("FF FE is in use") << hex("FFFE 240305140709 04 0000 00000000 0000 0000")
                                         << "OK\t2024-03-05-14-07-09\tBV\t00000\t0.0\r\n";
        QTest::newRow("kind 0") << hex("0007 240305140709 00 002A 00000000 4019 0080") << "(none)";
        QTest::newRow("kind 5") << hex("0007 240305140709 05 002A 00000000 4019 0080") << "(none)";
        QTest::newRow("RX second only") << hex("0007 240305140709 03 002A 00000000 0080 8015")
                                        << "OK\t2024-03-05-14-07-09\tRX\t00042\t21.5\r\n";
        QTest::newRow("RX both") << hex("0007 240305140709 03 002A 00000000 4019 C0E7")
                                 << "OK\t2024-03-05-14-07-09\tRX\t00042\t25.3 -24.3\r\n";
        QTest::newRow("RX none") << hex("0007 240305140709 03 002A 00000000 0080 0080") << "(none)";
        QTest::newRow("RX 01 80 is a reading")
            << hex("0007 240305140709 03 002A 00000000 0180 0080")
            << "OK\t2024-03-05-14-07-09\tRX\t00042\t-128.0\r\n";
        QTest::newRow("RX/BV id high first") << hex("0007 240305140709 03 0102 00000000 0019 0080")
                                             << "OK\t2024-03-05-14-07-09\tRX\t00258\t25.0\r\n";
        QTest::newRow("TX id low first") << hex("0007 240305140709 01 0102 00000000 0019 0000")
                                         << "OK\t2024-03-05-14-07-09\tTX\t00513\t25.0\r\n";
        QTest::newRow("TX invalid and lowbat")
            << hex("0007 240305140709 01 3930 00000000 0719 0000") << "(none)";
        QTest::newRow("BCD nibble above 9") << hex("0007 A5030514070F 04 002A 00000000 0078 0000")
                                            << "OK\t2095-03-05-14-07-09\tBV\t00042\t3.9\r\n";
        QTest::newRow("BT keeps zeros")
            << hex("0007 240305140709 02 0A0000000000 D606 B80B")
            << "OK\t2024-03-05-14-07-09\tBT\t0A:00:00:00:00:00\t30.3 93.6\r\n";
        QTest::newRow("BV high bit read unsigned")
            << hex("0007 240305140709 04 FFFF 00000000 FFFF 0000")
            << "OK\t2024-03-05-14-07-09\tBV\t65535\t2129.9\r\n";
        QTest::newRow("BV 11.05") << hex("0007 240305140709 04 0001 00000000 0154 0000")
                                  << "OK\t2024-03-05-14-07-09\tBV\t00001\t11.1\r\n";
    }
    void records() {
        QFETCH(QByteArray, record);
        QFETCH(QString, expected);
        QCOMPARE(line(record), expected);
        if (!expected.startsWith('(')) {
            QCOMPARE(QString(expected).count('\t'), 4);
            QString withComma = expected;
            // Only the values field holds decimals.
            const qsizetype lastTab = withComma.lastIndexOf('\t');
            withComma.replace(lastTab, withComma.size() - lastTab,
                              withComma.mid(lastTab).replace('.', ','));
            QCOMPARE(line(record, comma), withComma);
        }
    }
};

QTEST_GUILESS_MAIN(TestDecoders)
#include "test_decoders.moc"
