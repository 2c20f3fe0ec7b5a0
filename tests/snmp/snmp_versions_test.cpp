#include "inventory/csv_file.h"
#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/run_state.h"
#include "snmp/snmp_get.h"
#include "snmp/status_query.h"
#include "tests/support/child_process.h"
#include "tests/support/port_check.h"
#include "tests/support/snmpsim_agent.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

using namespace sorpex;
using namespace sorpex::test;

namespace {

const SimulatedV3User kUser{"sorpexuser", "authpass-256", "privpass-aes"};

AppSettings versionSettings(SnmpVersion version) {
    AppSettings settings;
    settings.snmpPort = 1161;
    settings.timeoutSeconds = 2;
    settings.filterEnabled = false;
    settings.supplies = true;
    settings.snmpVersion = version;
    settings.snmpV3 = {kUser.name, SnmpAuthProtocol::Sha256, kUser.authKey, SnmpPrivProtocol::Aes, kUser.privKey,
                       "public"};
    return settings;
}

std::string reportLine(const std::string& address, const AppSettings& settings, SnmpVersion rowVersion) {
    auto table = std::make_unique<PrinterTable>();
    table->appendRecord(address, "public", "");
    table->slot(0).snmpVersion = rowVersion;
    RunState run;
    queryPrinter(*table, 0, settings, run);
    // The agents of the versions have addresses of their own; the rest of the line must match.
    std::string line = csvLine(table->slot(0), CsvLayout::WithSupplies);
    return line.replace(line.find(address), address.size(), "*");
}

} // namespace

// The same recordings served over v1/v2c (one snmpsimd) and over v3 (another) give the same
// report line on every version, supplies included; a row's own version wins over the default.
TEST(SnmpVersions, EveryVersionGivesTheSameReportLine) {
    initSnmpLibrary();
    std::vector<std::string> recordings;
    // Not model_only: its agent never answers the counter, so v1 keeps the model asked before it,
    // while the one GET of every object gets no answer at all.
    for (const char* name :
         {"full_printer.snmprec", "no_paper_short_counter.snmprec", "low_paper_zero_counters.snmprec",
          "foreign_model.snmprec", "supplies_one.snmprec", "supplies_five.snmprec", "supplies_forty.snmprec"}) {
        recordings.push_back(projectRecording(name));
    }
    if (sharedRecordingsPresent()) {
        for (const auto& entry : std::filesystem::directory_iterator(sharedRecordingDir())) {
            if (entry.path().extension() == ".snmprec") {
                recordings.push_back(entry.path().string());
            }
        }
    }
    std::vector<SimulatedAgent> community, v3;
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        community.push_back({"127.0.12." + std::to_string(i + 1), recordings[i]});
        v3.push_back({"127.0.13." + std::to_string(i + 1), recordings[i]});
    }
    SnmpSimAgents communityAgents(community, 1161);
    SnmpSimAgents v3Agents(v3, 1161, &kUser);

    struct Case {
        SnmpVersion settingsVersion;
        SnmpVersion rowVersion;
        const char* block;
    };
    const Case cases[] = {
        {SnmpVersion::V2c, SnmpVersion::Default, "127.0.12."},
        {SnmpVersion::V1, SnmpVersion::V2c, "127.0.12."},
        {SnmpVersion::V3, SnmpVersion::Default, "127.0.13."},
        {SnmpVersion::V2c, SnmpVersion::V3, "127.0.13."},
    };
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        const std::string v1 =
            reportLine("127.0.12." + std::to_string(i + 1), versionSettings(SnmpVersion::V1), SnmpVersion::Default);
        ASSERT_EQ(v1.find("No Response"), std::string::npos) << recordings[i];
        for (const Case& c : cases) {
            EXPECT_EQ(reportLine(c.block + std::to_string(i + 1), versionSettings(c.settingsVersion), c.rowVersion), v1)
                << recordings[i] << " over "
                << snmpVersionText(effectiveVersion(versionSettings(c.settingsVersion), c.rowVersion));
        }
    }
    // A v2c printer that does not answer stays "No Response"; so does a v3 one.
    for (SnmpVersion version : {SnmpVersion::V2c, SnmpVersion::V3}) {
        AppSettings quick = versionSettings(version);
        quick.timeoutSeconds = 1;
        EXPECT_EQ(reportLine("127.0.12.250", quick, SnmpVersion::Default),
                  "\"\",*,public,\"No Response\",,\"\",\"\",\"\",\"\",\"\",,\"\"");
    }
}

// Agents that answer a request of several objects with tooBig or genError as a whole: v2c asks
// the objects one by one then, and gets the row v1 gets.
TEST(SnmpVersions, AWholeRequestRefusedIsAskedObjectByObject) {
    initSnmpLibrary();
    for (auto [address, status] : {std::pair{"127.0.12.241", "1"}, std::pair{"127.0.12.242", "5"}}) {
        TempDir dir;
        const std::string ready = dir.file("ready");
        ChildProcess agent({"/usr/bin/python3", std::string(SORPEX_SOURCE_DIR) + "/tests/support/odd_snmp_agent.py",
                            address, "1161", ready, std::string("SEVERAL=") + status,
                            "1.3.6.1.2.1.25.3.2.1.3.1=040b5072696e746572204f6464", "1.3.6.1.2.1.1.5.0=0403707271",
                            "1.3.6.1.2.1.43.10.2.1.4.1.1=41021234"},
                           dir.file("agent.log"));
        for (int wait = 0; wait < 100 && !std::filesystem::exists(ready); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(std::filesystem::exists(ready)) << readFileBytes(dir.file("agent.log"));
        const std::string v1 = reportLine(address, versionSettings(SnmpVersion::V1), SnmpVersion::Default);
        EXPECT_EQ(
            v1,
            "\"\",*,public,\"Printer Odd\",4660,\"prq\",\"Not Support\",\"Not Support\",\"Not Support\",\"\",,\"\"");
        EXPECT_EQ(reportLine(address, versionSettings(SnmpVersion::V2c), SnmpVersion::Default), v1) << status;
    }
}

// A second, independent v3 agent refuses wrong credentials with a Report: each refusal has its
// own text in the model column, and the right ones (authNoPriv too) are answered. A wrong
// privacy password gets no Report from it (nor from snmpsimd): the message is dropped, and the
// printer is "No Response" after the time-out.
TEST(SnmpVersions, RefusedCredentialsHaveTheirOwnText) {
    initSnmpLibrary();
    TempDir dir;
    const std::string conf = dir.file("snmpd.conf");
    std::ofstream(conf) << "createUser sorpexuser SHA-256 authpass-256 AES privpass-aes\n"
                           "createUser authonly SHA authpass-sha\n"
                           "rouser sorpexuser priv\n"
                           "rouser authonly auth\n"
                           "sysName v3-agent\n"
                           "override 1.3.6.1.2.1.25.3.2.1.3.1 octet_str \"Printer Model Y\"\n";
    std::filesystem::create_directories(dir.file("state"));
    const std::string address = "127.0.13.200";
    requireFreePort(address, 1161, Transport::Udp);
    ChildProcess snmpd({"env", "SNMP_PERSISTENT_DIR=" + dir.file("state"), "snmpd", "-f", "-Lo", "-C", "-c", conf, "-m",
                        "", "-p", dir.file("snmpd.pid"), "udp:" + address + ":1161"},
                       dir.file("snmpd.out"));
    for (int i = 0; i < 50; ++i) {
        RunResult probe = runProgram({"snmpget", "-v3", "-l", "authNoPriv", "-u", "authonly", "-a", "SHA", "-A",
                                      "authpass-sha", "-t", "0.3", "-r", "0", address + ":1161", "1.3.6.1.2.1.1.5.0"},
                                     std::chrono::seconds(5));
        if (probe.output.find("v3-agent") != std::string::npos) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }

    struct Case {
        const char* user;
        SnmpAuthProtocol auth;
        const char* authPassword;
        SnmpPrivProtocol priv;
        const char* privPassword;
        const char* model;
    };
    const Case cases[] = {
        {"sorpexuser", SnmpAuthProtocol::Sha256, "authpass-256", SnmpPrivProtocol::Aes, "privpass-aes",
         "Printer Model Y"},
        {"authonly", SnmpAuthProtocol::Sha, "authpass-sha", SnmpPrivProtocol::None, "", "Printer Model Y"},
        {"nobody-here", SnmpAuthProtocol::Sha256, "authpass-256", SnmpPrivProtocol::Aes, "privpass-aes",
         "SNMPv3 Unknown User"},
        {"sorpexuser", SnmpAuthProtocol::Sha256, "wrong-password", SnmpPrivProtocol::Aes, "privpass-aes",
         "SNMPv3 Authentication Failure"},
        {"sorpexuser", SnmpAuthProtocol::Sha256, "authpass-256", SnmpPrivProtocol::Aes, "wrong-password",
         "No Response"},
        {"authonly", SnmpAuthProtocol::Sha, "authpass-sha", SnmpPrivProtocol::Aes, "privpass-aes",
         "SNMPv3 Unsupported Security Level"},
    };
    for (const Case& c : cases) {
        AppSettings settings = versionSettings(SnmpVersion::V3);
        settings.timeoutSeconds = 1;
        settings.supplies = false;
        settings.snmpV3 = {c.user, c.auth, c.authPassword, c.priv, c.privPassword, ""};
        auto table = std::make_unique<PrinterTable>();
        table->appendRecord(address, "public", "");
        RunState run;
        queryPrinter(*table, 0, settings, run);
        EXPECT_EQ(table->slot(0).model.str(), c.model) << c.user << " " << c.authPassword << " " << c.privPassword;
    }
}
