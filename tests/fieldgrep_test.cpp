// Every row of tests/fieldgrep_cases.txt against the model and against
// fieldgrep's own input path by every kernel, the input handed over in reads
// of several sizes, through a read buffer and an output buffer small and
// large.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "select/input.h"
#include "tests/capture.h"
#include "tests/case_file.h"
#include "tests/every_kernel.h"
#include "tests/fieldgrep_model.h"

namespace {

struct Split {
    std::size_t read, buffer, output; // bytes per read, read buffer, output buffer
};

std::string fieldgrep(const Names& names, const std::string& input, Split split, bool to_end) {
    FakeInput src{input, {split.read}};
    SelectBuffer buffer = make_select_buffer(names, split.buffer);
    std::string got;
    Output out = output_to(got, false, split.output);
    select_fields(names, EveryKernel::kernel(), read_fake, &src, to_end, buffer, out);
    out_flush(out);
    return got;
}

EVERY_KERNEL(Fieldgrep);

TEST_P(Fieldgrep, EveryCaseByModelAndProgram) {
    const std::vector<FileCase> rows = read_case_file(FIELDGREP_CASE_FILE);
    ASSERT_GT(rows.size(), 40u);
    for (const FileCase& row : rows) {
        ASSERT_EQ(row.fields.size(), 3u) << row.name;
        const std::string& list = row.fields[0];
        const std::string& input = row.fields[1];
        const std::string& want = row.fields[2];
        const auto model_names = grep_model::names(list);
        Names names;
        ASSERT_TRUE(model_names && parse_names(list, names)) << row.name;
        EXPECT_EQ(escaped(grep_model::select(*model_names, input)), escaped(want)) << row.name;
        for (Split split : {Split{1, 1, 1}, Split{7, 7, 64}, Split{64, 64, 5}, Split{1, 4096, 4096},
                            Split{input.size() + 1, 128 * 1024, 256 * 1024}})
            for (bool to_end : {false, true})
                EXPECT_EQ(escaped(fieldgrep(names, input, split, to_end)), escaped(want))
                    << row.name << " in reads of " << split.read << " into a buffer of "
                    << split.buffer << (to_end ? ", read to its end" : "");
    }
}

} // namespace
