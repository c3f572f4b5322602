#include "TemplateBank.h"

#include "Exception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{
std::string reasonFor(const unsigned char* data, int size)
{
    return TemplateBank::checkTemplate(data, size).c_str();
}

std::string reasonFor(const TemplateImage& image)
{
    return reasonFor(image.data(), TemplateImage::size);
}

BaseSettings filledBaseSettings(int32_t value)
{
    BaseSettings settings;
    settings.fill(value);
    return settings;
}

std::vector<unsigned char> build(const TemplateImage& workingCopy, const BaseSettings& baseSettings)
{
    std::vector<unsigned char> block(TemplateImage::size);
    TemplateBank::buildSysex(workingCopy, baseSettings, block.data(), TemplateImage::size);
    return block;
}

std::vector<unsigned char> bytesOf(const TemplateImage& image)
{
    return std::vector<unsigned char>(image.data(), image.data() + TemplateImage::size);
}

/** Loads a block that must be refused and returns the message, checking that
    neither the working copy nor the base settings were touched. */
std::string refusalOf(const unsigned char* data, int size)
{
    TemplateImage workingCopy{};
    workingCopy.data()[100] = 99;
    BaseSettings baseSettings = filledBaseSettings(7);
    const std::vector<unsigned char> before = bytesOf(workingCopy);
    try
    {
        TemplateBank::loadTemplate(data, size, workingCopy, baseSettings);
    }
    catch (const Tr::Exception& e)
    {
        EXPECT_EQ(before, bytesOf(workingCopy));
        EXPECT_EQ(filledBaseSettings(7), baseSettings);
        return e.what();
    }
    ADD_FAILURE() << "block was accepted";
    return {};
}

ProgramRecord& program(TemplateImage& image, int n) { return image.programs[n - 1]; }
}   // namespace

TEST(TemplateBank, ProgramOffsetNumbersTheRecordsAndNothingElse)
{
    EXPECT_EQ(1, TemplateBank::programOffset(1));
    EXPECT_EQ(73, TemplateBank::programOffset(3));
    EXPECT_EQ(649, TemplateBank::programOffset(19));
    EXPECT_EQ(-1, TemplateBank::programOffset(0));
    EXPECT_EQ(-1, TemplateBank::programOffset(20));
    EXPECT_EQ(-1, TemplateBank::programOffset(-1));
}

TEST(TemplateBank, DefaultTemplateFollowsItsRuleAndPassesTheCheck)
{
    const unsigned char* bytes = defaultTemplate.data();
    ASSERT_EQ(690, defaultTemplateSize);
    EXPECT_EQ(0xF0, bytes[0]);
    EXPECT_EQ(0xF7, bytes[689]);
    for (int n = 1; n <= 19; ++n)
    {
        const unsigned char* record = bytes + 1 + 36 * (n - 1);
        EXPECT_EQ(n, record[0]);
        EXPECT_EQ(0, record[1]);
        for (int k = 0; k < 16; ++k)
        {
            EXPECT_EQ(0, record[2 + 2 * k]) << "program " << n << " step " << k;
            EXPECT_EQ(43, record[3 + 2 * k]) << "program " << n << " step " << k;
        }
        EXPECT_EQ(16, record[34]);
        EXPECT_EQ(37, record[35]);
    }
    EXPECT_EQ(17, bytes[685]);
    EXPECT_EQ(25, bytes[686]);
    EXPECT_EQ(4, bytes[687]);
    EXPECT_EQ(14, bytes[688]);
    EXPECT_EQ("", reasonFor(defaultTemplate));
}

TEST(TemplateBank, CheckRefusesAnOlderModelBlockByItsSizeAlone)
{
    const std::vector<unsigned char> zeros(546, 0);
    EXPECT_EQ("seems to be a Vaskor MIDI 2 template", reasonFor(zeros.data(), 546));
    // Framed like a template: still the older model, never "wrong size".
    EXPECT_EQ("seems to be a Vaskor MIDI 2 template", reasonFor(defaultTemplate.data(), 546));
    EXPECT_EQ("Not a valid template file: seems to be a Vaskor MIDI 2 template",
              refusalOf(zeros.data(), 546));
}

TEST(TemplateBank, CheckRefusesEveryOtherSizeAsWrongSize)
{
    std::vector<unsigned char> larger(bytesOf(defaultTemplate));
    larger.push_back(0xF7);
    EXPECT_EQ("wrong size", reasonFor(nullptr, 0));
    EXPECT_EQ("wrong size", reasonFor(larger.data(), 0));
    EXPECT_EQ("wrong size", reasonFor(larger.data(), 545));
    EXPECT_EQ("wrong size", reasonFor(larger.data(), 689));
    EXPECT_EQ("wrong size", reasonFor(larger.data(), 691));
    EXPECT_EQ("wrong size", reasonFor(larger.data(), -1));
    EXPECT_EQ("wrong size", reasonFor(nullptr, 690));
    EXPECT_EQ("Not a valid template file: wrong size", refusalOf(nullptr, 0));
}

TEST(TemplateBank, CheckTestsTheFramingBeforeTheProgramMarkers)
{
    TemplateImage badStart = defaultTemplate;
    badStart.sysexStart = 0xF1;
    for (ProgramRecord& record : badStart.programs)
        record.marker = 0;
    EXPECT_EQ("MIDI markers missing", reasonFor(badStart));

    TemplateImage badEnd = defaultTemplate;
    badEnd.sysexEnd = 0x7F;
    EXPECT_EQ("MIDI markers missing", reasonFor(badEnd));
    EXPECT_EQ("Not a valid template file: MIDI markers missing", refusalOf(badEnd.data(), 690));
}

TEST(TemplateBank, CheckRefusesAWrongProgramMarker)
{
    TemplateImage third = defaultTemplate;
    program(third, 3).marker = 4;
    EXPECT_EQ("invalid program marker", reasonFor(third));
    EXPECT_EQ("Not a valid template file: invalid program marker", refusalOf(third.data(), 690));

    TemplateImage last = defaultTemplate;
    program(last, 19).marker = 18;
    EXPECT_EQ("invalid program marker", reasonFor(last));
}

TEST(TemplateBank, CheckRefusesAStatusByteInsideOnlyAfterTheOtherFourChecks)
{
    const int insideOffsets[] = {2, 36, 685, 688};
    for (int offset : insideOffsets)
    {
        TemplateImage image = defaultTemplate;
        image.data()[offset] = 0x80;
        EXPECT_EQ("invalid data byte", reasonFor(image)) << "offset " << offset;
        EXPECT_EQ("Not a valid template file: invalid data byte", refusalOf(image.data(), 690));
    }

    TemplateImage alsoBadMarker = defaultTemplate;
    alsoBadMarker.data()[100] = 0xFF;
    program(alsoBadMarker, 5).marker = 0xF7;
    EXPECT_EQ("invalid program marker", reasonFor(alsoBadMarker));
    alsoBadMarker.sysexStart = 0;
    EXPECT_EQ("MIDI markers missing", reasonFor(alsoBadMarker));
    EXPECT_EQ("seems to be a Vaskor MIDI 2 template", reasonFor(alsoBadMarker.data(), 546));

    TemplateImage highestData = defaultTemplate;
    highestData.baseChannel = 0x7F;
    program(highestData, 7).steps[15].interval = 0x7F;
    EXPECT_EQ("", reasonFor(highestData));
}

TEST(TemplateBank, ImportOfTheDefaultBankGivesTheEditorItsDefaults)
{
    TemplateImage workingCopy{};
    BaseSettings baseSettings = filledBaseSettings(0);
    TemplateBank::loadTemplate(defaultTemplate.data(), 690, workingCopy, baseSettings);

    EXPECT_EQ(filledBaseSettings(43), baseSettings);
    for (int n = 1; n <= 19; ++n)
    {
        const ProgramRecord& record = program(workingCopy, n);
        EXPECT_EQ(0, record.type);
        EXPECT_EQ(16, record.stepCount);
        EXPECT_EQ(37, record.duration);
        for (const ProgramRecord::StepPair& step : record.steps)
        {
            EXPECT_EQ(0, step.interval);
            EXPECT_EQ(43, step.setting);
        }
    }
    EXPECT_EQ(17, workingCopy.loopPortamento);
    EXPECT_EQ(25, workingCopy.stepPortamento);
    EXPECT_EQ(4, workingCopy.outputType);
    EXPECT_EQ(14, workingCopy.baseChannel);

    EXPECT_EQ(bytesOf(defaultTemplate), build(workingCopy, baseSettings));
}

TEST(TemplateBank, ProgramsOtherThanDifferentSettingsCarryTheirBaseSettingInEveryStep)
{
    // Type 4 is not used by the device; it and any other type but 5 follow the same rule.
    const unsigned char types[] = {0, 3, 4, 6, 127};
    for (unsigned char type : types)
    {
        TemplateImage block = defaultTemplate;
        ProgramRecord& record = program(block, 2);
        record.type = type;
        for (int k = 0; k < 16; ++k)
        {
            record.steps[k].setting = static_cast<unsigned char>(44 + 3 * k);
            record.steps[k].interval = static_cast<unsigned char>(k);
        }

        TemplateImage workingCopy{};
        BaseSettings baseSettings{};
        TemplateBank::loadTemplate(block.data(), 690, workingCopy, baseSettings);
        EXPECT_EQ(44, baseSettings[1]) << "type " << int(type);
        for (int k = 0; k < 16; ++k)
        {
            EXPECT_EQ(43, program(workingCopy, 2).steps[k].setting);
            EXPECT_EQ(k, program(workingCopy, 2).steps[k].interval);
        }

        const std::vector<unsigned char> built = build(workingCopy, baseSettings);
        for (int k = 0; k < 16; ++k)
        {
            EXPECT_EQ(44, built[37 + 3 + 2 * k]) << "type " << int(type) << " step " << k;
            EXPECT_EQ(k, built[37 + 2 + 2 * k]);
        }
        EXPECT_EQ(type, built[37 + 1]);
    }
}

TEST(TemplateBank, DifferentSettingsProgramsKeepTheirStepSettingsAndLoseTheirIntervals)
{
    TemplateImage block = defaultTemplate;
    ProgramRecord& record = program(block, 19);
    record.type = 5;
    for (int k = 0; k < 16; ++k)
    {
        record.steps[k].interval = static_cast<unsigned char>(10 + k);
        record.steps[k].setting = static_cast<unsigned char>(42 + 2 * k);
    }

    TemplateImage workingCopy{};
    BaseSettings baseSettings = filledBaseSettings(50);
    TemplateBank::loadTemplate(block.data(), 690, workingCopy, baseSettings);
    EXPECT_EQ(43, baseSettings[18]);
    for (int k = 0; k < 16; ++k)
    {
        EXPECT_EQ(0, program(workingCopy, 19).steps[k].interval);
        EXPECT_EQ(42 + 2 * k, program(workingCopy, 19).steps[k].setting);
    }

    // The editor keeps intervals of a program switched to type 5; the block does not.
    for (int k = 0; k < 16; ++k)
        program(workingCopy, 19).steps[k].interval = 12;
    const TemplateImage before = workingCopy;
    const std::vector<unsigned char> built = build(workingCopy, baseSettings);
    for (int k = 0; k < 16; ++k)
    {
        EXPECT_EQ(0, built[649 + 2 + 2 * k]);
        EXPECT_EQ(42 + 2 * k, built[649 + 3 + 2 * k]);
    }
    EXPECT_EQ(bytesOf(before), bytesOf(workingCopy));
}

TEST(TemplateBank, LoadingABuiltBlockAndBuildingAgainGivesTheSameBlock)
{
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> dataByte(0, 127);
    std::uniform_int_distribution<int> typeOf(0, 5);
    for (int round = 0; round < 200; ++round)
    {
        TemplateImage workingCopy{};
        for (int i = 0; i < TemplateImage::size; ++i)
            workingCopy.data()[i] = static_cast<unsigned char>(dataByte(random));
        for (ProgramRecord& record : workingCopy.programs)
            record.type = static_cast<unsigned char>(typeOf(random));
        BaseSettings baseSettings;
        for (int32_t& setting : baseSettings)
            setting = dataByte(random);

        const std::vector<unsigned char> first = build(workingCopy, baseSettings);
        ASSERT_EQ("", reasonFor(first.data(), 690));

        TemplateImage reloaded{};
        BaseSettings reloadedSettings{};
        TemplateBank::loadTemplate(first.data(), 690, reloaded, reloadedSettings);
        ASSERT_EQ(first, build(reloaded, reloadedSettings)) << "round " << round;
        // Types, step counts, durations and globals arrive as they stand.
        for (int n = 1; n <= 19; ++n)
        {
            EXPECT_EQ(program(workingCopy, n).type, program(reloaded, n).type);
            EXPECT_EQ(program(workingCopy, n).stepCount, program(reloaded, n).stepCount);
            EXPECT_EQ(program(workingCopy, n).duration, program(reloaded, n).duration);
        }
        EXPECT_EQ(0, std::memcmp(workingCopy.data() + 685, reloaded.data() + 685, 4));
    }
}

TEST(TemplateBank, BuildEnforcesFramingMarkersAndTheBaseSettingRuleAndCopiesTheRest)
{
    std::mt19937 random(690);
    std::uniform_int_distribution<int> anyByte(0, 255);
    std::uniform_int_distribution<int32_t> anySetting(-100000, 100000);
    for (int round = 0; round < 200; ++round)
    {
        TemplateImage workingCopy{};
        for (int i = 0; i < TemplateImage::size; ++i)
            workingCopy.data()[i] = static_cast<unsigned char>(anyByte(random));
        if (round % 2 == 0)
            program(workingCopy, 1 + round % 19).type = 5;
        BaseSettings baseSettings;
        for (int32_t& setting : baseSettings)
            setting = anySetting(random);
        const TemplateImage before = workingCopy;

        const std::vector<unsigned char> block = build(workingCopy, baseSettings);
        ASSERT_EQ(0xF0, block[0]);
        ASSERT_EQ(0xF7, block[689]);
        for (int n = 1; n <= 19; ++n)
        {
            const ProgramRecord& source = program(workingCopy, n);
            const unsigned char* record = block.data() + 1 + 36 * (n - 1);
            ASSERT_EQ(n, record[0]);
            ASSERT_EQ(source.type, record[1]);
            for (int k = 0; k < 16; ++k)
            {
                if (source.type == 5)
                {
                    ASSERT_EQ(0, record[2 + 2 * k]) << "round " << round << " program " << n;
                    ASSERT_EQ(source.steps[k].setting, record[3 + 2 * k]);
                }
                else
                {
                    ASSERT_EQ(source.steps[k].interval, record[2 + 2 * k]);
                    ASSERT_EQ(baseSettings[n - 1] & 0xFF, record[3 + 2 * k]) << "round " << round;
                }
            }
            ASSERT_EQ(source.stepCount, record[34]);
            ASSERT_EQ(source.duration, record[35]);
        }
        ASSERT_EQ(0, std::memcmp(workingCopy.data() + 685, block.data() + 685, 4));
        ASSERT_EQ(bytesOf(before), bytesOf(workingCopy));
    }
}

TEST(TemplateBank, BuildWritesExactlyOneBlockAndNeverIntoASmallerBuffer)
{
    const BaseSettings baseSettings = filledBaseSettings(43);
    std::vector<unsigned char> larger(700, 0xAA);
    TemplateBank::buildSysex(defaultTemplate, baseSettings, larger.data(), 700);
    EXPECT_EQ(bytesOf(defaultTemplate), std::vector<unsigned char>(larger.begin(), larger.begin() + 690));
    EXPECT_EQ(std::vector<unsigned char>(10, 0xAA), std::vector<unsigned char>(larger.begin() + 690, larger.end()));

    std::vector<unsigned char> smaller(689, 0xAA);
    TemplateBank::buildSysex(defaultTemplate, baseSettings, smaller.data(), 689);
    EXPECT_EQ(std::vector<unsigned char>(689, 0xAA), smaller);
}
