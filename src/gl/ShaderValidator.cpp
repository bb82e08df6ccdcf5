#include "gl/ShaderValidator.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include <glslang/Include/intermediate.h>
#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include "problem/DemoFiles.h"
#include "problem/PassNeeds.h"

namespace orv::gl {

using problem::DemoConfig;
using problem::Named;
using problem::PassNeeds;
using problem::Problem;
using problem::Report;
namespace files = problem::files;

namespace {

constexpr int glslVersion = 440;
constexpr auto messages = static_cast<EShMessages>(EShMsgDefault);

EShLanguage stageOf(const std::string& type)
{
    if (type == "vertex")
        return EShLangVertex;
    if (type == "geometry")
        return EShLangGeometry;
    return EShLangFragment;
}

// Every uniform a stage declares, used or not: the catalogue may list a
// uniform that a stage declares but does not read.
class UniformCollector : public glslang::TIntermTraverser {
public:
    std::set<std::string> names;
    std::set<std::string> outputs;

    void visitSymbol(glslang::TIntermSymbol* symbol) override
    {
        const auto storage = symbol->getQualifier().storage;
        const std::string name = symbol->getName().c_str();
        if (name.rfind("gl_", 0) == 0 || name.rfind("anon@", 0) == 0)
            return;
        if (storage == glslang::EvqUniform)
            names.insert(name);
        else if (storage == glslang::EvqVaryingOut)
            outputs.insert(name);
    }
};

// glslang's "ERROR: file:line: text" lines as problems of the shader file.
void reportLog(const std::string& log, const Problem& fallback, const std::string& prefix, const std::string& todo,
               Report& report)
{
    static const std::regex located(R"(^ERROR: (.+?):(\d+): (.*)$)");
    static const std::regex plain(R"(^ERROR: (.*)$)");
    std::istringstream lines(log);
    std::string line;
    bool any = false;
    while (std::getline(lines, line)) {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
            line.pop_back();
        std::smatch match;
        Problem problem = fallback;
        if (std::regex_match(line, match, located)) {
            problem.file = match[1];
            problem.line = std::stoi(match[2]);
            problem.column = 1;
            std::string text = match[3];
            // The parser's way of saying it gave up after the errors above.
            if (text.find("compilation terminated") != std::string::npos)
                continue;
            // glslang names the offending token first, even when there is none.
            if (text.rfind("'' :", 0) == 0)
                text.erase(0, text.find_first_not_of(' ', 4));
            problem.what = prefix + text;
        } else if (std::regex_match(line, match, plain)) {
            const std::string text = match[1];
            if (text.find("compilation errors") != std::string::npos)
                continue;
            problem.what = prefix + text;
        } else {
            continue;
        }
        problem.todo = todo;
        report.add(problem);
        any = true;
    }
    if (!any) {
        Problem problem = fallback;
        problem.what = prefix + "failed without a message";
        problem.todo = todo;
        report.add(problem);
    }
}

const PassNeeds* needsOf(const std::string& program)
{
    for (const PassNeeds& needs : PassNeeds::all()) {
        if (needs.program == program)
            return &needs;
    }
    return nullptr;
}

}  // namespace

ShaderValidator::ShaderValidator() { glslang::InitializeProcess(); }

ShaderValidator::~ShaderValidator() { glslang::FinalizeProcess(); }

Problem ShaderValidator::unreadable(const std::string& catalogue, const YAML::Mark& mark, const std::string& program,
                                    const std::string& file)
{
    std::error_code error;
    const bool folder = std::filesystem::is_directory(file, error);
    return Problem::at(catalogue, mark,
                       "program \"" + program + "\": cannot read the shader file \"" + file + "\"" +
                           (folder ? " (it is a folder)" : ""),
                       "the program goes on without that stage; give the path of a GLSL file");
}

void ShaderValidator::check(const DemoConfig::Program& program, Report& report)
{
    const std::string& name = program.name.name;
    const std::string todo = "the player goes on, drawing nothing with program \"" + name + "\"";
    std::vector<std::unique_ptr<glslang::TShader>> shaders;
    std::vector<std::string> sources;
    sources.reserve(program.stages.size());
    bool compiled = true;
    bool hasFragment = false;
    for (const DemoConfig::Stage& stage : program.stages) {
        std::error_code error;
        std::ifstream in(stage.file.name);
        if (!std::filesystem::is_regular_file(stage.file.name, error) || !in) {
            report.add(unreadable(files::programs, stage.file.mark, name, stage.file.name));
            compiled = false;
            continue;
        }
        sources.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const EShLanguage language = stageOf(stage.type);
        hasFragment = hasFragment || language == EShLangFragment;
        auto shader = std::make_unique<glslang::TShader>(language);
        const char* text = sources.back().c_str();
        const char* fileName = stage.file.name.c_str();
        shader->setStringsWithLengthsAndNames(&text, nullptr, &fileName, 1);
        if (!shader->parse(GetDefaultResources(), glslVersion, ECoreProfile, false, false, messages)) {
            Problem inFile;
            inFile.file = stage.file.name;
            reportLog(shader->getInfoLog(), inFile,
                      "GL shader compilation error: program \"" + name + "\": ", todo, report);
            compiled = false;
            continue;
        }
        const glslang::TIntermediate* intermediate = shader->getIntermediate();
        if (intermediate->getVersion() > glslVersion || intermediate->getProfile() == EEsProfile) {
            Problem problem;
            problem.file = stage.file.name;
            problem.line = 1;
            problem.column = 1;
            problem.what = "program \"" + name + "\": GLSL version " + std::to_string(intermediate->getVersion()) +
                           (intermediate->getProfile() == EEsProfile ? " es" : "") +
                           " is not available in an OpenGL 4.4 core context";
            problem.todo = "write #version 440 core or lower";
            report.add(problem);
            compiled = false;
        }
        shaders.push_back(std::move(shader));
    }
    if (!compiled || shaders.empty())
        return;

    glslang::TProgram linked;
    for (const auto& shader : shaders)
        linked.addShader(shader.get());
    if (!linked.link(messages)) {
        reportLog(linked.getInfoLog(), Problem::at(files::programs, program.name.mark, {}), "GL shader linker error: program \"" + name + "\": ", todo,
                  report);
        return;
    }

    UniformCollector declared;
    for (const EShLanguage stage : {EShLangVertex, EShLangGeometry, EShLangFragment}) {
        glslang::TIntermediate* intermediate = linked.getIntermediate(stage);
        if (intermediate == nullptr || intermediate->getTreeRoot() == nullptr)
            continue;
        UniformCollector stageSymbols;
        intermediate->getTreeRoot()->traverse(&stageSymbols);
        declared.names.insert(stageSymbols.names.begin(), stageSymbols.names.end());
        if (stage == EShLangFragment)
            continue;
        declared.outputs = stageSymbols.outputs;
    }

    const PassNeeds* needs = needsOf(name);
    for (const Named& uniform : program.uniforms) {
        if (declared.names.count(uniform.name) == 0 && !PassNeeds::isOptional(uniform.name))
            report.error(files::programs, uniform.mark,
                         "program \"" + name + "\" lists the uniform \"" + uniform.name +
                             "\", which none of its shaders declares",
                         "declare it in a shader or take it off the list");
    }
    for (const std::string& uniform : PassNeeds::setWhenListed(name)) {
        const bool listed = std::any_of(program.uniforms.begin(), program.uniforms.end(),
                                        [&](const Named& u) { return u.name == uniform; });
        if (declared.names.count(uniform) != 0 && !listed)
            report.error(files::programs, program.name.mark,
                         "program \"" + name + "\" declares the uniform \"" + uniform +
                             "\" but does not list it",
                         "add it to \"uniforms\": the player sets it only when listed, and the shader reads 0");
    }
    for (const Named& varying : program.varyings) {
        if (declared.outputs.count(varying.name) == 0)
            report.error(files::programs, varying.mark,
                         "program \"" + name + "\" captures \"" + varying.name +
                             "\", which is no output of its last vertex-processing stage",
                         "declare it as an \"out\" of that stage or take it off the list");
    }

    if (needs == nullptr)
        return;
    std::size_t outputs = 0;
    if (hasFragment) {
        linked.buildReflection();
        outputs = static_cast<std::size_t>(linked.getNumPipeOutputs());
    }
    if (outputs < needs->fragmentOutputs) {
        report.error(files::programs, program.name.mark,
                     "program \"" + name + "\" writes " + std::to_string(outputs) +
                         " fragment output(s); its pass draws into " + std::to_string(needs->fragmentOutputs),
                     "give its fragment shader that many \"out\" variables");
    }
}

}  // namespace orv::gl
