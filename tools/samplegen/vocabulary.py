"""Word lists from which the sample remedies are composed.

Everything here is plain data: herb names, book titles, phrases. The generator combines them at
random (with a fixed seed), so nothing in these lists is a real prescription.
"""

# Two-character herb names, usable both in titles and in compositions.
HERBS2 = """
人参 黄芪 当归 白术 甘草 茯苓 川芎 白芍 赤芍 党参 山药 阿胶 远志 大枣 生姜 干姜 附子 肉桂 桂枝
麻黄 柴胡 黄芩 黄连 黄柏 栀子 大黄 芒硝 厚朴 枳实 枳壳 陈皮 半夏 杏仁 桔梗 贝母 紫菀 麦冬 天冬
玄参 知母 石膏 薄荷 荆芥 防风 羌活 独活 细辛 白芷 葛根 升麻 木香 砂仁 香附 乌药 郁金 丹参 红花
桃仁 牛膝 三七 乳香 没药 血竭 苏木 续断 杜仲 鹿茸 泽泻 木通 滑石 猪苓 茵陈 连翘 苦参 槟榔 雷丸
乌梅 鹤虱 龙骨 牡蛎 朱砂 琥珀 天麻 钩藤 全蝎 僵蚕 地龙 冰片 麝香 黄精 白及 地榆 槐花 艾叶 神曲
麦芽 山楂 茯神 珍珠 芡实 莲子 龟甲 鳖甲 沉香 丁香 檀香 藿香 紫苏 苍术 泽兰 蒲黄 秦艽 防己 威灵
蝉蜕 菊花 桑叶 蔓荆 川乌 草乌 吴萸 良姜 白蔹 黄丹 轻粉 雄黄 硫黄 明矾 蜂蜜 白矾 胆矾 芦荟 蜈蚣
""".split()

# Three-character herb names, used in compositions and in a few titles.
HERBS3 = """
熟地黄 生地黄 枸杞子 何首乌 酸枣仁 柏子仁 龙眼肉 五味子 款冬花 延胡索 自然铜 补骨脂 菟丝子 淫羊藿
巴戟天 肉苁蓉 山茱萸 牡丹皮 车前子 金银花 蒲公英 板蓝根 蛇床子 白鲜皮 地肤子 使君子 苦楝皮 珍珠母
石菖蒲 女贞子 墨旱莲 侧柏叶 白茅根 鸡内金 莱菔子 合欢皮 夜交藤 紫河车 白附子 益智仁 覆盆子 金樱子
桑螵蛸 鸡血藤 五灵脂 天花粉 白扁豆 薏苡仁 决明子 夏枯草 益母草 桑白皮 骨碎补 刘寄奴 马钱子 炉甘石
""".split()

# Pairs of one-character herb abbreviations, as in many classical remedy names.
HERB_PAIRS = """
参芪 归芍 芎归 参苓 苓术 参附 芪附 术附 姜附 桂附 连柏 芩连 香砂 枳术 归脾 参麦 杞菊 知柏 桃红 银翘
桑菊 麻杏 葛芩 芍甘 苓桂 参归 芪归 地芍 胶艾 茵栀 丹栀 柴芍 姜桂 乌附 蒲灵 芪术 参术 龙牡
""".split()

# Effects of a remedy: used in titles (with a form word) and in the functions section.
FUNCTIONS = """
补气 补血 安神 壮阳 滋补 养血 益气 温中 清热 解毒 止痛 活血 化瘀 理中 健脾 和胃 润肠 止咳 化痰 定喘
明目 固精 调经 催生 安胎 生肌 消肿 接骨 乌发 驻颜 润肤 杀虫 利水 通淋 宁心 养心 补肾 温肾 固本 养荣
""".split()

# Longer effect phrases for the functions section.
FUNCTION_PHRASES = """
补气养血 健脾益气 养血安神 滋补肝肾 温肾壮阳 活血化瘀 清热解毒 消肿止痛 补血调经 理气和胃 消食化积
杀虫消积 乌须黑发 祛风止痒 散寒止痛 化痰止咳 宁心安神 补中益气 益气固表 滋阴降火 温经散寒 疏肝解郁
凉血止血 收敛生肌 续筋接骨 祛斑润肤 养血生发 利尿通淋 和胃止呕 润肠通便 补气升阳 滋补强壮 益精填髓
助消化 安神定志 活血调经 补血养心 温中健脾 祛风除湿 清热利湿 软坚散结 托毒排脓
""".split()

FORMS1 = list("汤散丸膏丹饮煎酒粥方")
FORMS2 = "饮子 汤方 散方 丸方 膏方".split()
PREFIXES1 = list("大小神圣秘宝奇")
PREFIXES2 = """
加味 加减 神效 秘传 经验 太乙 万应 千金 济生 立效 神应 保安 固本 养荣 补中 和中 温经 清心 秘方 十补
""".split()
NUMERALS = list("一二三四五六七八九十")
NUMERAL_NOUNS = list("黄仙物苓宝珍味圣神子妙香白生金石皮汁核叶根")

# A few remedy names of two characters.
SHORT_NAMES = ["紫雪", "碧雪", "红雪", "独圣", "神应", "至宝"]

# Modern numbered prescriptions, written with the Latin letter I as a Roman numeral.
ROMAN_NAMES = ["胃炎I号方", "降压I号", "冠心II号", "溃疡I号", "肝炎I号方", "消炎II号"]

# The longest name: an old untitled remedy named after what it treats.
LONGEST_NAME = "治妇人产后恶露不绝腹中疼痛烦闷不食方"

BOOKS = """
太平圣惠方 圣济总录 普济方 太平惠民和剂局方 备急千金要方 千金翼方 外台秘要 伤寒论 金匮要略 景岳全书
证治准绳 医宗金鉴 丹溪心法 济生方 妇人大全良方 小儿药证直诀 世医得效方 兰室秘藏 脾胃论 医方类聚
奇效良方 古今医鉴 寿世保元 万病回春 医学入门 仁斋直指方 杨氏家藏方 三因极一病证方论 宣明论方
儒门事亲 医学心悟 傅青主女科 温病条辨 卫生宝鉴 鸡峰普济方 博济方 苏沈良方 本事方 御药院方
瑞竹堂经验方 医林改错 张氏医通 外科正宗 疡医大全 幼幼新书 活幼心书 类证治裁 中医方剂临床手册
""".split()

PROCESSING = ["（炒）", "（炙）", "（酒洗）", "（去皮）", "（研）", "（去心）", "（焙）", "（醋炒）"]
DOSE_UNITS = ["钱", "钱", "钱", "两", "分"]
DOSE_NUMBERS = ["一", "二", "三", "四", "五", "六", "八"]
SHARED_DOSES = ["各等分", "各一钱", "各二钱", "各三钱", "各五钱", "各一两", "各半两", "各一钱半"]

# Indications. General complaints may stand after a patient group; the specific ones stand alone.
PATIENTS = ["小儿", "妇人", "老人"]
GENERAL_COMPLAINTS = """
脾胃虚弱 食少便溏 气短乏力 面色萎黄 心悸失眠 瘀血肿痛 便血 咳嗽 喘急 头痛 眩晕 腰膝酸软 小便不利
小便淋沥涩痛 消化不良 脘腹胀满 虫积腹痛 吐泻 风寒湿痹 关节疼痛 痈疽肿毒 疮疡溃烂 咽喉肿痛 口舌生疮
目赤肿痛 耳鸣耳聋 鼻衄 吐血 虚劳羸瘦 盗汗 自汗 消渴 水肿 黄疸 胁痛 胃脘疼痛 呕吐 呃逆 泄泻 痢疾 便秘
脱肛 疟疾 伤寒发热 恶寒 暑湿 风疹瘙痒 癣疮 气血两虚 心神不宁 健忘 怔忡 惊悸 肝肾阴虚 久病体虚
病后虚弱 中气下陷 腰痛
""".split()
SPECIFIC_COMPLAINTS = """
月经不调 月经后期 月经量少 经行腹痛 崩漏 带下 恶露不尽 乳汁不通 胎动不安 不孕 产后血晕 产后腹痛
产后血虚 产后发热 小儿惊风 小儿夜啼 小儿疳积 阳痿早泄 遗精 肾虚阳痿 阳事不举 肾阳不足 疝气
跌打损伤 跌打瘀肿 筋骨折伤 中风口噤 半身不遂 瘰疬 痔疮肿痛 痔疮出血
""".split()
# Complaints that a few remedies treat, each searched for by the window's categories.
RARE_COMPLAINTS = """
肠道寄生虫病 烧伤 汤火烫伤 冻伤 手足冻疮 痤疮 面生黄褐斑 面部雀斑 脱发 斑秃 须发早白 少年白发
泌尿系感染 消化不良腹胀
""".split()

USAGES = [
    "水煎服。",
    "水煎，温服。",
    "水煎，分二次服。",
    "上为粗末，每服{dose}，水一盏，煎至七分，去滓温服。",
    "上为细末，每服{dose}，温酒调下。",
    "上为细末，每服{dose}，米饮调下，食前服。",
    "上为细末，炼蜜为丸，如梧桐子大，每服{pills}丸，空心温酒送下。",
    "上为末，水泛为丸，如绿豆大，每服{pills}丸，白汤送下。",
    "上药研末，麻油调涂患处。",
    "研末，外敷患处，每日一换。",
    "上药浸酒中，七日后每服一小杯。",
    "上为末，每服{dose}，生姜汤送下，日三服。",
    "熬膏，每服一匙，开水冲服。",
    "煎汤熏洗患处。",
]
USAGE_DOSES = ["一钱", "二钱", "三钱", "五钱", "一钱半"]
USAGE_PILLS = ["二十", "三十", "五十", "七十", "百"]

MODIFICATION_CONDITIONS = """
气虚甚者 血虚者 腹痛者 有热者 寒甚者 痰多者 泄泻者 呕吐者 胁痛者 头痛者 咳甚者 腰痛者 失眠者 便秘者
出血多者 兼表证者 口渴者 食少者
""".split()

CONTRAINDICATIONS = """
孕妇忌服 忌食生冷 忌食油腻 阴虚火旺者慎用 忌房事 忌食辛辣 外感发热者忌用 脾胃虚寒者慎用 不宜久服
忌食鱼腥 服药期间忌酒 体虚者慎用
""".split()

# Roles of herbs in a commentary on the remedy.
HERB_ROLES = ["为君药", "为臣药", "为佐药", "为使药", "以助药力", "共为佐使"]
CAUSES = """
气血不足 脾胃虚弱 肝肾亏虚 风寒外袭 湿热下注 瘀血内阻 痰湿阻滞 心脾两虚 肾阳虚衰 热毒壅盛 肝郁气滞 阴虚火旺
""".split()
COMMENTARY_CLOSINGS = [
    "凡属{c}者，皆可随证加减用之。",
    "临证用之，当辨寒热虚实。",
    "此方药简力专，{f}之效颇著。",
    "诸药合用，共奏{f}之功。",
    "全方配伍严谨，{f}而不伤正。",
    "本方以{f}为主，兼顾标本。",
    "用于{c}，每获良效。",
    "后世医家用治{c}，亦多取效。",
    "方名之义，即在于{f}。",
]

EXPERIMENT_SENTENCES = [
    "本方煎剂对金黄色葡萄球菌有抑制作用。",
    "动物实验表明，本方能提高小鼠耐缺氧能力。",
    "本方可使实验动物血红蛋白含量明显升高。",
    "药理研究表明，本方有镇静、镇痛作用。",
    "本方能增强小鼠巨噬细胞吞噬功能。",
    "实验表明，本方对离体肠管有解痉作用。",
    "本方水煎液可降低实验动物的血清胆固醇。",
    "本方能促进实验性骨折大鼠骨痂生长。",
]

# The three measurements in the collection that carry a percent sign.
PERCENT_SENTENCES = [
    "临床观察一百二十例，总有效率为92%。",
    "本方治疗组有效率为87%，明显高于对照组。",
    "实验组动物存活率提高至75%。",
]
