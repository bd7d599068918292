// The SOAP reader refuses what it must not half-read: entity tricks, broken or truncated XML,
// messages that are not RFC messages, and values or messages above their ceilings, however the
// bytes are cut.
#include "SoapMessages.h"

using soap::SoapReader;
using namespace soaptest;

class SoapRefusalsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("message");
        const QByteArray start(EnvelopeStart);
        const QByteArray end(EnvelopeEnd);
        const QByteArray fn("<rfc:RFC_READ_TABLE.Response xmlns:rfc=\"urn:sap-com:document:sap:rfc:functions\">");
        const QByteArray fnEnd("</rfc:RFC_READ_TABLE.Response>");
        const QByteArray answer = start + fn + "<DATA><item><WA>x</WA></item></DATA>" + fnEnd + end;
        QTest::newRow("DOCTYPE") << "<!DOCTYPE SOAP-ENV:Envelope>" + answer;
        QTest::newRow("billion laughs")
            << "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">"
               "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
               "<!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">"
               "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">"
               "<!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">"
               "<!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">"
               "<!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">"
               "<!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">"
               "<!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">"
               "<!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">]>"
            + start + fn + "<DATA><item><WA>&lol9;</WA></item></DATA>" + fnEnd + end;
        QTest::newRow("external entity") << "<!DOCTYPE e [<!ENTITY secret SYSTEM \"file:///etc/passwd\">]>" + start + fn
                                                + "<DATA><item><WA>&secret;</WA></item></DATA>" + fnEnd + end;
        QTest::newRow("external parameter entity")
            << "<!DOCTYPE e [<!ENTITY % p SYSTEM \"http://127.0.0.1:9/evil.dtd\"> %p;]>" + answer;
        QTest::newRow("undeclared entity") << start + fn + "<DATA><item><WA>&lol;</WA></item></DATA>" + fnEnd + end;
        QTest::newRow("mismatched tags") << start + fn + "<DATA><item><WA>x</item></WA></DATA>" + fnEnd + end;
        QTest::newRow("junk after the envelope") << answer + "<more/>";
        QTest::newRow("bytes that are not UTF-8") << start + fn + "<DATA><item><WA>S\xE3o</WA></item></DATA>" + fnEnd + end;
        QTest::newRow("unbound prefix") << start + "<urn:RFC_READ_TABLE.Response/>" + end;
        QTest::newRow("function in a wrong namespace")
            << start + "<rfc:RFC_READ_TABLE.Response xmlns:rfc=\"urn:sap-com:document:sap:rfc:function\"/>" + end;
        QTest::newRow("function without namespace") << start + "<RFC_READ_TABLE.Response/>" + end;
        QTest::newRow("empty body") << start + end;
        QTest::newRow("blank body") << start + " \n\t " + end;
        QTest::newRow("no body") << QByteArray("<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/"
                                               "envelope/\"><SOAP-ENV:Header/></SOAP-ENV:Envelope>");
        QTest::newRow("SOAP 1.2 envelope")
            << QByteArray("<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\"><e:Body>") + fn + fnEnd
                   + "</e:Body></e:Envelope>";
        QTest::newRow("not XML at all") << QByteArray("<html><h1>Logon failed</h1></html>");
        QTest::newRow("nothing") << QByteArray();
        QTest::newRow("a table row beside the items") << start + fn + "<DATA><item><WA>x</WA></item><row/></DATA>" + fnEnd + end;
        QByteArray deep;
        for (int i = 0; i < 40; ++i) deep += "<WA>";
        deep += "x";
        for (int i = 0; i < 40; ++i) deep += "</WA>";
        QTest::newRow("nested too deeply") << start + fn + "<DATA><item>" + deep + "</item></DATA>" + fnEnd + end;
        QByteArray wide = "<DATA><item>";
        for (int i = 0; i <= 1024; ++i) wide += "<C" + QByteArray::number(i) + ">v</C" + QByteArray::number(i) + ">";
        QTest::newRow("too many components in a row") << start + fn + wide + "</item></DATA>" + fnEnd + end;
    }
    void refusals()
    {
        QFETCH(QByteArray, message);
        for (const std::size_t piece : {0u, 1u}) {
            const Outcome o = readMessage(message.toStdString(), piece);
            QVERIFY2(!o.ok, dump(o).c_str());
            QVERIFY(!o.error.empty());
            // Nothing of a refused entity's text reached a value.
            QVERIFY(dump(o).find("root:") == std::string::npos);
            QVERIFY(dump(o).find("lollol") == std::string::npos);
        }
    }

    void valueCeiling_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("scalar") << QByteArray("<rfc:F xmlns:rfc=\"urn:sap-com:document:sap:rfc:functions\"><P>")
                                << QByteArray("</P></rfc:F>");
        QTest::newRow("table cell")
            << QByteArray("<rfc:F.Response xmlns:rfc=\"urn:sap-com:document:sap:rfc:functions\"><DATA><item><WA>")
            << QByteArray("</WA></item></DATA></rfc:F.Response>");
        QTest::newRow("faultstring") << QByteArray("<SOAP-ENV:Fault><faultstring>")
                                     << QByteArray("</faultstring></SOAP-ENV:Fault>");
        QTest::newRow("attribute") << QByteArray("<rfc:F xmlns:rfc=\"urn:sap-com:document:sap:rfc:functions\"><P a=\"")
                                   << QByteArray("\">v</P></rfc:F>");
        QTest::newRow("comment") << QByteArray("<rfc:F xmlns:rfc=\"urn:sap-com:document:sap:rfc:functions\"><!--")
                                 << QByteArray("--></rfc:F>");
    }
    void valueCeiling()
    {
        // At the ceiling a value is taken; one byte more (also when it arrives in many pieces, or in
        // a part of the message the reader does not keep) refuses the message before it is buffered.
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        soap::ReaderLimits limits;
        limits.maxValueBytes = 4096;
        for (const std::size_t piece : {0u, 1u, 1000u}) {
            const std::string fits = EnvelopeStart + before.toStdString() + std::string(4096, 'v') + after.toStdString() + EnvelopeEnd;
            const Outcome atCeiling = readMessage(fits, piece, {}, limits);
            QVERIFY2(atCeiling.ok, atCeiling.error.c_str());
            const std::string over = EnvelopeStart + before.toStdString() + std::string(64 * 4096, 'v') + after.toStdString() + EnvelopeEnd;
            const Outcome above = readMessage(over, piece, {}, limits);
            QVERIFY2(!above.ok, qPrintable(QStringLiteral("piece %1").arg(piece)));
            QVERIFY(!above.error.empty());
        }
    }

    void messageCeiling()
    {
        const std::string message = whole(sampleResult(50, 0));
        for (const std::size_t piece : {0u, 1u, 100u}) {
            soap::ReaderLimits limits;
            limits.maxMessageBytes = message.size();
            QVERIFY(readMessage(message, piece, ReadTableTables, limits).ok);
            limits.maxMessageBytes = message.size() - 1;
            const Outcome o = readMessage(message, piece, ReadTableTables, limits);
            QVERIFY(!o.ok);
            QVERIFY(!o.error.empty());
        }
    }

    void partsOutsideTheBulkTableAreCounted_data()
    {
        // Each message is refused under the small limits below; the same message with one fewer
        // of its repeated part is read.
        QTest::addColumn<QByteArray>("part");
        QTest::addColumn<QByteArray>("around");
        QTest::addColumn<int>("allowed");
        QTest::newRow("tables") << QByteArray("<T%1><item><V>x</V></item></T%1>") << QByteArray("%1") << 8;
        QTest::newRow("empty elements") << QByteArray("<E%1/>") << QByteArray("%1") << 16;
        QTest::newRow("scalar parameters") << QByteArray("<P%1>v</P%1>") << QByteArray("%1") << 16;
        QTest::newRow("structures") << QByteArray("<S%1><A>v</A></S%1>") << QByteArray("%1") << 16;
        QTest::newRow("structure components") << QByteArray("<C%1>v</C%1>") << QByteArray("<S>%1</S>") << 32;
        QTest::newRow("rows of a small table") << QByteArray("<item><TEXT>%1</TEXT></item>") << QByteArray("<OPTIONS>%1</OPTIONS>") << 100;
        QTest::newRow("bytes of a small table")
            << QByteArray("<item><TEXT>") + QByteArray(900, 'v') + "</TEXT></item>" << QByteArray("<FIELDS>%1</FIELDS>") << 63;
        QTest::newRow("bytes of one bulk row")
            << QByteArray("<C%1>") + QByteArray(1000, 'v') + "</C%1>" << QByteArray("<DATA><item>%1</item></DATA>") << 4;
    }
    void partsOutsideTheBulkTableAreCounted()
    {
        QFETCH(QByteArray, part);
        QFETCH(QByteArray, around);
        QFETCH(int, allowed);
        soap::ReaderLimits limits;
        limits.maxTables = 8;
        limits.maxParameters = 16;
        limits.maxColumns = 32;
        limits.maxRows = 100;
        limits.maxHeldBytes = 64 * 1024;
        limits.maxRowBytes = 4096 + 100;
        const auto message = [&](int count) {
            QByteArray parts;
            for (int i = 0; i < count; ++i) parts += QByteArray(part).replace("%1", QByteArray::number(i));
            return std::string(EnvelopeStart) + "<rfc:F.Response xmlns:rfc=\"urn:sap-com:document:sap:rfc:functions\">" +
                   QByteArray(around).replace("%1", parts).toStdString() + "</rfc:F.Response>" + EnvelopeEnd;
        };
        const std::set<std::string> tables{"OPTIONS", "FIELDS", "DATA"};
        const Outcome fits = readMessage(message(allowed), 0, tables, limits);
        QVERIFY2(fits.ok, fits.error.c_str());
        for (const std::size_t piece : {0u, 7u}) {
            const Outcome over = readMessage(message(allowed + 1), piece, tables, limits);
            QVERIFY(!over.ok);
            QVERIFY2(over.error.find("more than") != std::string::npos || over.error.find("larger than") != std::string::npos,
                     over.error.c_str());
        }
    }

    void bulkTableRowsAreNotCounted()
    {
        soap::ReaderLimits limits;
        limits.maxRows = 10;
        limits.maxHeldBytes = 4096;
        const Outcome o = readMessage(whole(sampleResult(2000, 0)), 0, ReadTableTables, limits);
        QVERIFY2(o.ok, o.error.c_str());
        QCOMPARE(o.result.tables.at("DATA").rows.size(), std::size_t(2000));
    }

    void everyTruncationIsRefused()
    {
        // A connection that drops mid-answer must never pass for a shorter answer.
        for (const std::string& message : {whole(sampleResult(3, 0)), soap::faultMessage("RFC_READ_TABLE", "X", "t")}) {
            for (std::size_t cut = 0; cut < message.size(); ++cut) {
                const Outcome o = readMessage(std::string_view(message).substr(0, cut));
                QVERIFY2(!o.ok, qPrintable(QStringLiteral("cut at %1").arg(cut)));
                QVERIFY(!o.error.empty());
            }
        }
    }

    void feedingAfterAnErrorDoesNothing()
    {
        SoapReader reader;
        QVERIFY(!reader.feed("<a></b>"));
        QVERIFY(!reader.feed("<c/>"));
        const std::string error = reader.error();
        QVERIFY(!error.empty());
        QVERIFY(!reader.feed(whole(sampleResult(1, 0))));
        QVERIFY(!reader.finish());
        QCOMPARE(reader.error(), error);
    }
};

QTEST_GUILESS_MAIN(SoapRefusalsTest)
#include "soap_refusals.moc"
